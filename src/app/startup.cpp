#include "app/startup.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

#include "app/frame.h"
#include "app/keyboard.h"
#include "app/options.h"
#include "app/scene.h"
#include "app/view.h"
#include "audio/music.h"
#include "platform/gl_driver.h"
#include "platform/standard_streams.h"
#include "platform/stop_signals.h"

namespace {

// A timer this short is due at every turn of GLUT's main loop, so a stop signal is acted on
// between two frames.
constexpr unsigned kStopCheckMs = 1;

// Game mode may have switched the screen to 1024 x 768. However the demo ends ('x', a stop
// signal, GLUT's own exit), the screen gets its own mode back, as it does on a system that
// restores a program's display settings when the program ends.
void leaveGameMode() {
    static bool leaving = false;  // an X failure inside may exit again
    if (leaving || !glutGameModeGet(GLUT_GAME_MODE_ACTIVE)) return;
    leaving = true;
    Display* display = glXGetCurrentDisplay();
    glutLeaveGameMode();
    // The switch back is a queued request: it must reach the X server before the process ends.
    if (display) XSync(display, False);
}

// Ends the demo as 'x' does, but by the signal that asked for it.
void stopIfSignalled(int) {
    const int signalNumber = pendingStopSignal();
    if (signalNumber == 0) {
        glutTimerFunc(kStopCheckMs, stopIfSignalled, 0);
        return;
    }
    std::fflush(stdout);
    leaveGameMode();
    endBySignal(signalNumber);
}

void openWindow() {
    glutInitWindowSize(kWindowWidth, kWindowHeight);
    glutInitWindowPosition(kWindowX, kWindowY);
    glutCreateWindow(kWindowTitle);
}

void registerCallbacks() {
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutIgnoreKeyRepeat(1);
    glutKeyboardUpFunc(keyUp);
    glutKeyboardFunc(keyDown);
    glutIdleFunc(display);
    glutTimerFunc(kStopCheckMs, stopIfSignalled, 0);
}

}  // namespace

void openSurface() {
    if (!(optionFlags & FullScreen)) {
        openWindow();
        return;
    }
    glutGameModeString(kGameModeString);
    if (glutGameModeGet(GLUT_GAME_MODE_POSSIBLE)) glutEnterGameMode();
    if (glutGameModeGet(GLUT_GAME_MODE_ACTIVE)) {
        std::atexit(leaveGameMode);
        // Ending at once would leave the screen in the game's mode: from here a stop signal
        // waits for the main loop, which puts the mode back (after the scene has loaded).
        deferStopSignals();
        return;
    }
    // Without game mode there would be no context to draw into: use a full-screen window.
    std::fprintf(stderr,
                 "Full-screen game mode %s is not available here; using a full-screen window.\n",
                 kGameModeString);
    glutCreateWindow(kWindowTitle);
    glutFullScreen();
}

int runDemo(int argc, char** argv) {
    openClosedStandardStreams();
    catchStopSignals();
    // Lines of the progress transcript should appear as they happen, also through a pipe.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("\n\nZorvex 2005 Demo, Compilation Date: %s,%s\n\n", __DATE__, __TIME__);
    startMusic();
    optionFlags = settleOptions(argc);
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_ACCUM | GLUT_DEPTH);
    openSurface();
    keepGlDriverLoaded();
    assembleScene();
    registerCallbacks();
    deferStopSignals();
    glutMainLoop();
    return 0;
}

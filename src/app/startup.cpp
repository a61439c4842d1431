#include "app/startup.h"

#include <GL/freeglut.h>

#include <cstdio>

#include "app/frame.h"
#include "app/keyboard.h"
#include "app/options.h"
#include "app/scene.h"
#include "app/view.h"
#include "audio/music.h"
#include "platform/gl_driver.h"
#include "platform/standard_streams.h"

namespace {

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
}

}  // namespace

void openSurface() {
    if (!(optionFlags & FullScreen)) {
        openWindow();
        return;
    }
    glutGameModeString(kGameModeString);
    if (glutGameModeGet(GLUT_GAME_MODE_POSSIBLE)) glutEnterGameMode();
    if (glutGameModeGet(GLUT_GAME_MODE_ACTIVE)) return;
    // Without game mode there would be no context to draw into: use a full-screen window.
    std::fprintf(stderr,
                 "Full-screen game mode %s is not available here; using a full-screen window.\n",
                 kGameModeString);
    glutCreateWindow(kWindowTitle);
    glutFullScreen();
}

int runDemo(int argc, char** argv) {
    openClosedStandardStreams();
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
    glutMainLoop();
    return 0;
}

#include "common/offline_demo.h"

#include <GL/freeglut.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/frame.h"
#include "app/options.h"
#include "app/scene.h"
#include "app/view.h"
#include "common/command_line.h"
#include "common/installed_content.h"
#include "platform/files.h"
#include "platform/gl_driver.h"
#include "platform/ticks.h"

namespace {

// The files without which scene assembly ends the process.
const char* const kRequiredFiles[] = {"models/track.ascii", "models/landscape.ascii",
                                      "models/ds21.ascii",  "models/r5.ascii",
                                      "tex/clouds.bmp",     "tex/smoke.bmp"};

const char* guardProgram = "";
std::string guardHint;
void (*guardShowLines)() = nullptr;
bool assembling = false;

// The demo's readers end the process with status 1 when an asset it needs cannot be read,
// in the demo's own words; the tool adds a line of its own that says the scene could not be
// built and where the demo's transcript went.
void exitDuringAssembly() {
    if (!assembling) return;
    std::fflush(stdout);
    if (guardShowLines) guardShowLines();
    std::fprintf(
        stderr,
        "%s: the demo ended while building the scene (a model or texture could not be read)%s\n",
        guardProgram, guardHint.c_str());
    std::fflush(stderr);
    _exit(1);
}

bool enterContent(const DemoSettings& settings, std::string& error) {
    const std::string folder =
        settings.contentDir.empty() ? installedContentDir() : settings.contentDir;
    if (!folder.empty() && chdir(folder.c_str()) != 0) {
        error = folder + ": cannot enter the content folder: " + std::strerror(errno);
        return false;
    }
    const std::string where = folder.empty() ? "the working directory" : folder;
    for (const char* file : kRequiredFiles) {
        if (access(resolvePath(file).c_str(), R_OK) != 0) {
            error = where + " is not a content folder: " + file + " cannot be read (" +
                    std::strerror(errno) + ")";
            return false;
        }
    }
    return true;
}

void openWindow(const char* program, int width, int height) {
    int argc = 1;
    char* argv[] = {const_cast<char*>(program), nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_ACCUM | GLUT_DEPTH);
    glutInitWindowSize(width, height);
    glutInitWindowPosition(0, 0);
    glutCreateWindow(kWindowTitle);
}

}  // namespace

bool startOfflineDemo(const char* program, const DemoSettings& settings, std::string& error) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        error = "no X display (DISPLAY is not set); run it under xvfb-run";
        return false;
    }
    if (!enterContent(settings, error)) return false;
    openWindow(program, settings.width, settings.height);
    keepGlDriverLoaded();
    optionFlags = (settings.blur ? AccumBlur : 0u) | (settings.lighting ? Lighting : 0u);
    guardProgram = program;
    guardHint = settings.transcriptHint;
    guardShowLines = settings.beforeSceneFailure;
    std::atexit(exitDuringAssembly);
    // The recorders take their start time while the scene is built: the virtual clock must
    // already run then, or every record of the first runs falls due at once.
    ManualClock::install(0);
    assembling = true;
    assembleScene();
    assembling = false;
    reshape(settings.width, settings.height);
    return true;
}

std::vector<uint8_t> readBackBuffer(int width, int height) {
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

VirtualClock::VirtualClock(int framesPerSecond) : fps(framesPerSecond) {}

void VirtualClock::start() {
    frameIndex = 0;
    ManualClock::install(0);
}

void VirtualClock::nextFrame() {
    // Stepping by the difference of rounded cumulative times keeps the average step exact
    // even when 1000 / fps is not whole.
    ManualClock::advance(frameTimeMs(frameIndex + 1, fps) - frameTimeMs(frameIndex, fps));
    ++frameIndex;
}

uint32_t VirtualClock::nowMs() const { return frameTimeMs(frameIndex, fps); }

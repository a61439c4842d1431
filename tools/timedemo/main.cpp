// zorvex-timedemo: the same frames on every run (a fixed virtual step per frame), drawn as
// fast as the machine allows; reports the frame rate, the split between simulation and
// drawing, and the rate of a bare frame measured in the same run; with --breakdown also the
// cost of each step of the frame.
#include <GL/freeglut.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/frame.h"
#include "common/command_line.h"
#include "common/offline_demo.h"
#include "common/output_file.h"
#include "platform/standard_streams.h"
#include "timedemo/breakdown.h"
#include "timedemo/soak.h"

namespace {

const char kProgram[] = "zorvex-timedemo";
// After a command-line error: the short form; --help gives the whole text.
const char kUsage[] =
    "usage: zorvex-timedemo [OPTION]...\n"
    "Try 'zorvex-timedemo --help' for more information.\n";
const std::string kHelp =
    "Usage: zorvex-timedemo [OPTION]...\n"
    "Renders frames of the Zorvex 2005 Demo as fast as the machine allows, on a fixed virtual\n"
    "step per frame so that every run does the same work. Reports the frame rate, the mean\n"
    "milliseconds per frame spent simulating and drawing, the rate of a bare frame (clear,\n"
    "blur, swap) measured in the same run, and the ratio of the demo's rate to the bare rate.\n"
    "It opens a GLUT window: without a screen, run it under xvfb-run.\n"
    "\n"
    "Options:\n"
    "  --content DIR      content folder (default: the installed content pack; run from\n"
    "                     the build tree, the working directory)\n"
    "  --frames N         frames of the demo to render (default 600)\n"
    "  --bare-frames N    bare frames (clear, blur, swap) to render (default: as --frames)\n"
    "  --fps N            virtual frames per second the demo's clock steps by (default 30)\n"
    "  --size WxH         window size (default " +
    sizeText(kWindowWidth, kWindowHeight) +
    ")\n"
    "  --no-blur          without the accumulation-buffer motion blur\n"
    "  --no-lighting      without lighting\n"
    "  --breakdown        also the start-up time, the triangles of each model and the ms per\n"
    "                     frame of each step of the frame (glFinish after each step)\n"
    "  --loops N          instead of timing, run N loops of the race and print the resident\n"
    "                     memory after each\n"
    "  -h, --help         show this help and exit\n"
    "\n"
    "The demo's own lines go to standard error; the report to standard output.\n"
    "\n"
    "Examples:\n"
    "  $ xvfb-run -a zorvex-timedemo --frames 600\n"
    "  $ zorvex-timedemo --size 1024x768 --no-blur\n";

// A loop of the race is given at most an hour of demo time to end.
constexpr int64_t kMaxLoopSeconds = 3600;

struct TimedemoOptions {
    DemoSettings demo;
    int64_t frames = 600;
    int64_t bareFrames = -1;
    int fps = 30;
    int64_t loops = 0;
    bool help = false;
    bool breakdown = false;
};

struct Report {
    double demoSeconds = 0.0;
    double bareSeconds = 0.0;
    FrameBreakdown breakdown;
};

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool flag(const std::string& name, TimedemoOptions& options) {
    if (name == "--no-blur")
        options.demo.blur = false;
    else if (name == "--no-lighting")
        options.demo.lighting = false;
    else if (name == "--help" || name == "-h")
        options.help = true;
    else if (name == "--breakdown")
        options.breakdown = true;
    else
        return false;
    return true;
}

bool valued(const std::string& name, const std::string& value, TimedemoOptions& options,
            std::string& error) {
    int64_t number = 0;
    if (name == "--content")
        options.demo.contentDir = value;
    else if (name == "--size")
        return parseSize(name, value, options.demo.width, options.demo.height, error);
    else if (name == "--frames")
        return parseCount(name, value, 1, kMaxFrames, options.frames, error);
    else if (name == "--bare-frames")
        return parseCount(name, value, 1, kMaxFrames, options.bareFrames, error);
    else if (name == "--loops")
        return parseCount(name, value, 1, 100000, options.loops, error);
    else if (name == "--fps") {
        if (!parseCount(name, value, 1, 1000, number, error)) return false;
        options.fps = static_cast<int>(number);
    }
    return true;
}

bool takesValue(const std::string& name) {
    return name == "--content" || name == "--size" || name == "--frames" ||
           name == "--bare-frames" || name == "--fps" || name == "--loops";
}

bool parseOptions(int argc, char** argv, TimedemoOptions& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (flag(name, options)) continue;
        if (!takesValue(name)) {
            error = std::strncmp(argv[i], "--", 2) == 0 ? "unknown option " + name
                                                        : "unexpected argument \"" + name + "\"";
            return false;
        }
        std::string value;
        if (!takeValue(argc, argv, i, value, error) || !valued(name, value, options, error))
            return false;
    }
    if (options.bareFrames < 0) options.bareFrames = options.frames;
    return true;
}

// glFinish before the clock is read, so the GPU's (or llvmpipe's) work counts as drawing.
void timeDemoFrames(const TimedemoOptions& options, Report& report) {
    VirtualClock clock(options.fps);
    clock.start();
    const auto start = std::chrono::steady_clock::now();
    startBreakdown(report.breakdown, options.breakdown);
    for (int64_t frame = 0; frame < options.frames; ++frame) {
        display();
        glFinish();
        endBreakdownFrame();
        clock.nextFrame();
    }
    stopBreakdown();
    report.demoSeconds = secondsSince(start);
}

// What every frame costs whatever the scene: the clear, the blur and the swap.
void timeBareFrames(const TimedemoOptions& options, Report& report) {
    const auto start = std::chrono::steady_clock::now();
    for (int64_t frame = 0; frame < options.bareFrames; ++frame) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (options.demo.blur) {
            glAccum(GL_MULT, 0.7f);
            glAccum(GL_ACCUM, 0.3f);
            glAccum(GL_RETURN, 1.0f);
        }
        glutSwapBuffers();
        glFinish();
    }
    report.bareSeconds = secondsSince(start);
}

void printReport(const TimedemoOptions& options, const Report& report) {
    const double frames = static_cast<double>(options.frames);
    const double demoFps = frames / report.demoSeconds;
    const double bareFps = static_cast<double>(options.bareFrames) / report.bareSeconds;
    std::printf("frames: %lld at %dx%d, blur %s, lighting %s, virtual step 1/%d s\n",
                static_cast<long long>(options.frames), options.demo.width, options.demo.height,
                options.demo.blur ? "on" : "off", options.demo.lighting ? "on" : "off",
                options.fps);
    if (options.breakdown) printBreakdown(report.breakdown);
    std::printf("demo: %.1f frames per second (%.2f ms per frame)\n", demoFps, 1000.0 / demoFps);
    // Drawing is the rest of the frame: every step that calls OpenGL, and the glFinish after it.
    const double simulateMs = simulateSeconds(report.breakdown) * 1000.0 / frames;
    std::printf("simulate: %.3f ms per frame\n", simulateMs);
    std::printf("draw: %.3f ms per frame\n", 1000.0 / demoFps - simulateMs);
    std::printf("bare frame (clear, blur, swap): %.1f frames per second (%lld frames)\n", bareFps,
                static_cast<long long>(options.bareFrames));
    std::printf("ratio (demo / bare frame rate): %.3f\n", demoFps / bareFps);
}

// The loop lines are the report; they go out as they come, to the standard output that
// was set aside for it.
int soak(const TimedemoOptions& options, int reportFd) {
    std::string error;
    if (!runsEndWithin(kMaxLoopSeconds * 1000, error)) {
        std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
        return 1;
    }
    FILE* loopLines = fdopen(dup(reportFd), "w");
    if (!loopLines) {
        std::fprintf(stderr, "%s: standard output: %s\n", kProgram, std::strerror(errno));
        return 1;
    }
    int writeError = 0;
    const bool looped =
        runSoak(options.loops, options.fps, kMaxLoopSeconds * options.fps, loopLines, writeError);
    if (std::fclose(loopLines) != 0 && writeError == 0) writeError = errno ? errno : EIO;
    if (!looped)
        std::fprintf(stderr, "%s: the runs did not start again within an hour of demo time\n",
                     kProgram);
    else if (writeError != 0)
        std::fprintf(stderr, "%s: standard output: %s\n", kProgram, std::strerror(writeError));
    return looped && writeError == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    openClosedStandardStreams();
    TimedemoOptions options;
    std::string error;
    if (!parseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "%s: %s\n%s", kProgram, error.c_str(), kUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kHelp.c_str(), stdout);
        return finishStandardOutput(kProgram) ? 0 : 1;
    }
    // The demo's transcript goes to standard error, so standard output holds only the report.
    std::fflush(stdout);
    const int savedStdout = dup(STDOUT_FILENO);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    options.demo.transcriptHint = "; its lines are above";
    Report report;
    const bool started = startOfflineDemo(kProgram, options.demo, error);
    if (started && options.loops > 0) return soak(options, savedStdout);
    if (started) {
        timeDemoFrames(options, report);
        timeBareFrames(options, report);
    }
    std::fflush(stdout);
    dup2(savedStdout, STDOUT_FILENO);
    close(savedStdout);
    if (!started) {
        std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
        return 1;
    }
    printReport(options, report);
    return finishStandardOutput(kProgram) ? 0 : 1;
}

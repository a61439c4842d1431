#include "timedemo/breakdown.h"

#include <GL/gl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "assets/model_parser.h"
#include "assets/pack_files.h"
#include "platform/files.h"

namespace {

const char* const kStepNames[kFrameStepCount] = {
    "view and sky box", "cars", "landscape", "track", "smoke", "blur", "swap"};
const char* const kSceneModels[] = {kTrackModelFile, kLandscapeModelFile, kDs21ModelFile,
                                    kR5ModelFile};

FrameBreakdown* active = nullptr;
int currentStep = -1;
double stepStart = 0.0;

double secondsOf(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void chargeCurrentStep() {
    const double now = secondsOf(CLOCK_MONOTONIC);
    if (currentStep >= 0) active->stepSeconds[currentStep] += now - stepStart;
    stepStart = now;
}

void onStep(FrameStep step) {
    glFinish();
    chargeCurrentStep();
    currentStep = static_cast<int>(step);
}

// The kernel keeps the process's start in clock ticks since boot (field 22 of
// /proc/self/stat), so the figure is good to one tick (10 ms). -1 when it cannot be read.
double secondsSinceProcessStart() {
    FILE* file = std::fopen("/proc/self/stat", "r");
    if (!file) return -1.0;
    char line[1024] = {};
    const bool read = std::fgets(line, sizeof line, file) != nullptr;
    std::fclose(file);
    if (!read) return -1.0;
    const std::string text(line);
    // The command name in parentheses may hold blanks; the fields after it do not.
    const size_t close = text.rfind(')');
    if (close == std::string::npos) return -1.0;
    const char* field = text.c_str() + close + 1;
    for (int k = 3; k < 22 && field; ++k) field = std::strchr(field + 1, ' ');
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    if (!field || ticksPerSecond <= 0) return -1.0;
    const double started = std::strtod(field, nullptr) / static_cast<double>(ticksPerSecond);
    return secondsOf(CLOCK_BOOTTIME) - started;
}

// The faces the loader sends for one model file; -1 when it cannot be read.
long modelTriangles(const char* path) {
    FILE* file = openRegularStream(path);
    if (!file) return -1;
    long faces = 0;
    parseModelGeometry(file, [&faces](const ModelObject& object, size_t) {
        faces += static_cast<long>(object.faces.size());
    });
    std::fclose(file);
    return faces;
}

}  // namespace

void startBreakdown(FrameBreakdown& breakdown) {
    active = &breakdown;
    currentStep = -1;
    frameStepWatcher = onStep;
}

void endBreakdownFrame() {
    if (!active) return;
    chargeCurrentStep();
    currentStep = -1;
    if (++active->frames == 1) active->startupSeconds = secondsSinceProcessStart();
}

void stopBreakdown() {
    frameStepWatcher = nullptr;
    active = nullptr;
}

void printBreakdown(const FrameBreakdown& breakdown) {
    std::printf("start-up to the end of the first frame: %.2f s\n", breakdown.startupSeconds);
    for (const char* model : kSceneModels)
        std::printf("model %s: %ld triangles\n", model, modelTriangles(model));
    const double frames = breakdown.frames > 0 ? static_cast<double>(breakdown.frames) : 1.0;
    double total = 0.0;
    for (int step = 0; step < kFrameStepCount; ++step) {
        const double ms = breakdown.stepSeconds[step] * 1000.0 / frames;
        std::printf("step %s: %.3f ms per frame\n", kStepNames[step], ms);
        total += ms;
    }
    std::printf("steps together (glFinish after each): %.3f ms per frame\n", total);
}

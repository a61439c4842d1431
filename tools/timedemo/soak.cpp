#include "timedemo/soak.h"

#include <GL/freeglut.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "app/frame.h"
#include "assets/pack_files.h"
#include "common/offline_demo.h"
#include "platform/files.h"
#include "replay/run_record.h"

namespace {

// The resident set of this process in megabytes, as the kernel counts it.
double residentMegabytes() {
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm) return -1.0;
    unsigned long long size = 0, resident = 0;
    const bool read = std::fscanf(statm, "%llu %llu", &size, &resident) == 2;
    std::fclose(statm);
    return read ? static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) /
                      (1024.0 * 1024.0)
                : -1.0;
}

// The playback time by which every record of the run file has fallen due; 0 for a file
// that has no record or cannot be read (its playback ends at once).
uint32_t lastRecordTime(const char* path) {
    FILE* file = openRegularStream(path);
    if (!file) return 0;
    uint8_t bytes[kRunRecordSize];
    uint32_t latest = 0;
    while (std::fread(bytes, 1, kRunRecordSize, file) == kRunRecordSize)
        latest = std::max(latest, decodeRunRecord(bytes).timeMs);
    std::fclose(file);
    return latest;
}

void renderOneFrame(VirtualClock& clock) {
    display();
    glFinish();
    clock.nextFrame();
}

}  // namespace

bool runSoak(int64_t loops, int fps, int64_t maxLoopFrames, FILE* out, int& writeError) {
    writeError = 0;
    VirtualClock clock(fps);
    clock.start();
    int64_t loopStart = 0;
    for (int64_t loop = 1; loop <= loops; ++loop) {
        // The first frame of a loop may itself be a restart (the previous loop's end).
        renderOneFrame(clock);
        while (!allRunsEnded()) {
            if (clock.frame() - loopStart > maxLoopFrames) return false;
            renderOneFrame(clock);
        }
        const int64_t frames = clock.frame() - loopStart;
        std::fprintf(out, "loop %lld: %.2f s of demo time (%lld frames), resident %.2f MB\n",
                     static_cast<long long>(loop), static_cast<double>(frames) / fps,
                     static_cast<long long>(frames), residentMegabytes());
        errno = 0;
        if (std::fflush(out) != 0 || std::ferror(out)) {
            writeError = errno ? errno : EIO;
            return true;
        }
        loopStart = clock.frame();
    }
    return true;
}

bool runsEndWithin(int64_t maxLoopMs, std::string& error) {
    for (const char* run : {kCameraRunFile, kDs21RunFile, kR5RunFile}) {
        const uint32_t lastMs = lastRecordTime(run);
        if (lastMs <= maxLoopMs) continue;
        const double hours = lastMs / 3600000.0;
        char text[200];
        std::snprintf(text, sizeof text,
                      "%s: its last record falls due after %.1f %s of playback; a loop of the "
                      "race is given at most %lld s of demo time to end",
                      run, hours < 48 ? hours : hours / 24, hours < 48 ? "hours" : "days",
                      static_cast<long long>(maxLoopMs / 1000));
        error = text;
        return false;
    }
    return true;
}

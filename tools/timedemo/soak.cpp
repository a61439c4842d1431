#include "timedemo/soak.h"

#include <GL/freeglut.h>
#include <unistd.h>

#include "app/frame.h"
#include "common/offline_demo.h"

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

void renderOneFrame(VirtualClock& clock) {
    display();
    glFinish();
    clock.nextFrame();
}

}  // namespace

bool runSoak(int64_t loops, int fps, int64_t maxLoopFrames, FILE* out) {
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
        std::fflush(out);
        loopStart = clock.frame();
    }
    return true;
}

#include "platform/ticks.h"

#include <ctime>

uint32_t ManualClock::now = 0;

namespace {
TickSource currentSource = &systemTickCount;
}

uint32_t systemTickCount() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const uint64_t ms =
        static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

uint32_t tickCount() { return currentSource(); }

void setTickSource(TickSource source) { currentSource = source ? source : &systemTickCount; }

#include "platform/frame_profile.h"

#include <ctime>

namespace {
FrameProfile* activeProfile = nullptr;
ProfileBucket activeBucket = ProfileBucket::Simulate;
double lastSwitch = 0.0;

double nowSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}
}  // namespace

void profileEnter(ProfileBucket bucket) {
    if (!activeProfile || bucket == activeBucket) return;
    const double now = nowSeconds();
    activeProfile->seconds[static_cast<int>(activeBucket)] += now - lastSwitch;
    lastSwitch = now;
    activeBucket = bucket;
}

void setFrameProfile(FrameProfile* profile) {
    if (activeProfile)
        activeProfile->seconds[static_cast<int>(activeBucket)] += nowSeconds() - lastSwitch;
    activeProfile = profile;
    activeBucket = ProfileBucket::Simulate;
    lastSwitch = nowSeconds();
}

FrameStepWatcher frameStepWatcher = nullptr;

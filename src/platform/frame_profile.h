#pragma once

// Optional split of frame time into simulation (recorders, car motion and height queries,
// particle bookkeeping) and drawing (OpenGL calls). Off unless a tool turns it on; then
// every profileEnter charges the time since the previous switch to the bucket being left.
enum class ProfileBucket { Simulate = 0, Draw = 1 };

struct FrameProfile {
    double seconds[2] = {0.0, 0.0};
};

// Starts charging time to bucket; does nothing when no profile is active.
void profileEnter(ProfileBucket bucket);

// Activates profile (nullptr switches profiling off) and starts in the Simulate bucket.
void setFrameProfile(FrameProfile* profile);

// The steps of one frame, in the order the frame takes them.
enum class FrameStep { View = 0, Cars, Landscape, Track, Smoke, Blur, Swap };
constexpr int kFrameStepCount = static_cast<int>(FrameStep::Swap) + 1;

// A tool may watch the frame step by step: the watcher hears where each step begins. The
// frame itself never waits or measures; with no watcher a mark costs one test of a pointer.
using FrameStepWatcher = void (*)(FrameStep step);
extern FrameStepWatcher frameStepWatcher;

inline void profileStep(FrameStep step) {
    if (frameStepWatcher) frameStepWatcher(step);
}

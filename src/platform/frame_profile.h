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

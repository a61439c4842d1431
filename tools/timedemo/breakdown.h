#pragma once
#include <cstdint>

#include "platform/frame_profile.h"

// zorvex-timedemo --breakdown: where each millisecond of a frame goes. Every step of the
// frame ends with glFinish, so the renderer's own work of a step is charged to that step
// (and the frame as a whole gets a little slower than without it).
struct FrameBreakdown {
    double stepSeconds[kFrameStepCount] = {};
    int64_t frames = 0;
    double startupSeconds = -1.0;  // from the start of the process to the end of the first frame
};

// Starts charging the frame's steps to breakdown.
void startBreakdown(FrameBreakdown& breakdown);
// Ends the frame just swapped and finished (its last step is the swap); after the first
// frame, takes the start-up time. Does nothing while no breakdown runs.
void endBreakdownFrame();
void stopBreakdown();

// Prints the start-up time, the triangles of each model of the scene (read from the content
// folder, the working directory) and the milliseconds per frame of each step.
void printBreakdown(const FrameBreakdown& breakdown);

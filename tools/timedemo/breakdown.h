#pragma once
#include <cstdint>

#include "platform/frame_profile.h"

// zorvex-timedemo's watcher of the frame: the time of each step of the frame. With
// finishEachStep (--breakdown) every step ends with glFinish, so the renderer's own work of a
// step is charged to that step (and the frame as a whole gets a little slower than without it).
struct FrameBreakdown {
    double stepSeconds[kFrameStepCount] = {};
    int64_t frames = 0;
    double startupSeconds = -1.0;  // from the start of the process to the end of the first frame
};

// Starts charging the frame's steps to breakdown.
void startBreakdown(FrameBreakdown& breakdown, bool finishEachStep);
// Counts the frame just swapped and finished; after the first frame, takes the start-up time.
// Does nothing while no breakdown runs.
void endBreakdownFrame();
void stopBreakdown();

// The seconds of the steps that only simulate (the runs' restart, the frame rate, the clock,
// the recorders and the cars' motion with their height queries); all other steps draw.
double simulateSeconds(const FrameBreakdown& breakdown);

// Prints the start-up time, the triangles of each model of the scene (read from the content
// folder, the working directory) and the milliseconds per frame of each step.
void printBreakdown(const FrameBreakdown& breakdown);

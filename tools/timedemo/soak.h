#pragma once
#include <cstdint>
#include <cstdio>

// Runs the demo's frame function on the virtual clock (started before the scene, as
// startOfflineDemo leaves it) for `loops` loops of the race and prints, after each, the
// demo time, the frames and the resident memory of the process to out. A loop ends at the
// frame that starts the three runs again. Returns false when a loop never ends (a run with
// no end within maxLoopFrames frames).
bool runSoak(int64_t loops, int fps, int64_t maxLoopFrames, FILE* out);

#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

// Runs the demo's frame function on the virtual clock (started before the scene, as
// startOfflineDemo leaves it) for `loops` loops of the race and prints, after each, the
// demo time, the frames and the resident memory of the process to out. A loop ends at the
// frame that starts the three runs again. Returns false when a loop never ends (a run with
// no end within maxLoopFrames frames). A line that cannot be written ends the soak with
// writeError set to the reason.
bool runSoak(int64_t loops, int fps, int64_t maxLoopFrames, FILE* out, int& writeError);

// Whether every run of the content folder (the working directory) ends within maxLoopMs of
// playback, so that a loop of the race can end within that time. False, with error naming
// the run file and how long its records run, otherwise: said at once, instead of after the
// hour of demo time it would take to find out.
bool runsEndWithin(int64_t maxLoopMs, std::string& error);

#pragma once

// The steps of one frame, in the order the frame takes them.
enum class FrameStep {
    RunsRestart = 0,
    FrameRate,
    Clock,
    View,
    Recorders,
    CarMotion,
    Cars,
    Landscape,
    Track,
    SkyBox,
    Smoke,
    Blur,
    Swap
};
constexpr int kFrameStepCount = static_cast<int>(FrameStep::Swap) + 1;

// A tool may watch the frame: the watcher is handed each step and runs it itself, so it can
// time it or wait for the renderer after it. The frame itself never waits or measures.
using FrameStepWork = void (*)();
using FrameStepWatcher = void (*)(FrameStep step, FrameStepWork work);
extern FrameStepWatcher frameStepWatcher;

// Runs one step of the frame, through the watcher when there is one; with none, the cost is
// one test of a pointer.
inline void runFrameStep(FrameStep step, FrameStepWork work) {
    if (frameStepWatcher)
        frameStepWatcher(step, work);
    else
        work();
}

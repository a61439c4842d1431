#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "app/view.h"

// How a tool runs the real demo without GLUT's main loop: same scene, same frame function,
// on a virtual clock.
struct DemoSettings {
    // Empty: the installed content pack, or the working directory when not run from an install.
    std::string contentDir;
    int width = kWindowWidth;
    int height = kWindowHeight;
    bool blur = true;
    bool lighting = true;
    // Said after the cause when the scene cannot be built (where the demo's lines went).
    std::string transcriptHint;
    // Called before that message, for a tool that holds the demo's lines to show them.
    void (*beforeSceneFailure)() = nullptr;
};

// Changes into the content folder (so relative paths the caller keeps must be absolute by
// then), checks the files the scene cannot do without, opens a GLUT window of the requested
// size, builds the scene with the requested options and sets the projection. Returns false
// and says why in error when there is no display, no such folder or a missing file. Should
// scene assembly end the process itself (an unreadable model or texture), the process ends
// with status 1 after a line on standard error.
bool startOfflineDemo(const char* program, const DemoSettings& settings, std::string& error);

// The RGBA pixels of the back buffer, bottom row first: the frame before it is swapped.
std::vector<uint8_t> readBackBuffer(int width, int height);

// Drives the demo's tick counter: frame k (from 0) is shown at round(k * 1000 / fps) ms.
class VirtualClock {
  public:
    explicit VirtualClock(int framesPerSecond);
    // Installs the clock at the time of frame 0.
    void start();
    // Moves the clock to the next frame's time.
    void nextFrame();
    int64_t frame() const { return frameIndex; }
    uint32_t nowMs() const;

  private:
    int fps;
    int64_t frameIndex = 0;
};

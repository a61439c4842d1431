#pragma once
#include <cstdint>

// The camera mode the keyboard last set; mode 1 hides the ds21 car.
extern int32_t cameraMode;

// Milliseconds since the previous call (0 on the first), across tick wraps.
int32_t frameClock();

// The frame-rate window: counts frames and prints "FPS: %f\n" on the first frame after
// more than 3000 ms, with the count divided by 3.0.
class FpsCounter {
  public:
    void countFrame();

    int32_t frames = 0;
    uint32_t windowStart = 0;
    bool started = false;
};

// Whether all three runs have ended, so that the next frame starts them again.
bool allRunsEnded();

// One whole frame up to and including the blur, without the buffer swap.
void renderFrame();
// The GLUT display and idle callback: renderFrame, then swap.
void display();
// The GLUT reshape callback: viewport, 65 degree projection, accumulation clear.
void reshape(int width, int height);

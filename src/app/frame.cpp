#include "app/frame.h"

#include <GL/freeglut.h>

#include <cstdio>

#include "app/options.h"
#include "app/scene.h"
#include "app/view.h"
#include "effects/smoke.h"
#include "platform/frame_profile.h"
#include "platform/ticks.h"
#include "replay/recorder.h"
#include "world/camera.h"
#include "world/car.h"
#include "world/landscape.h"
#include "world/track.h"

int32_t cameraMode = 0;

namespace {

FpsCounter fpsCounter;
bool clockStarted = false;
uint32_t previousTick = 0;

void setView(int32_t elapsedMs) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    camera->apply(elapsedMs);
    // Directional light straight down the z axis, given after the view so it stays fixed in
    // the world.
    static const GLfloat downward[] = {0.0f, 0.0f, 1.0f, 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, downward);
}

void stepRuns() {
    ds21Recorder->step(false);
    r5Recorder->step(false);
    cameraRecorder->step(false);
}

// Shows 0.3 of the new image over 0.7 of the previous blend: a cheap motion blur.
void blendIntoAccumulation() {
    glAccum(GL_MULT, 0.7f);
    glAccum(GL_ACCUM, 0.3f);
    glAccum(GL_RETURN, 1.0f);
}

}  // namespace

bool allRunsEnded() {
    return cameraRecorder->isIdle() && ds21Recorder->isIdle() && r5Recorder->isIdle();
}

int32_t frameClock() {
    const uint32_t now = tickCount();
    if (!clockStarted) {
        clockStarted = true;
        previousTick = now;
    }
    // Unsigned subtraction stays right across the 2^32 wrap of the tick counter.
    const uint32_t elapsed = now - previousTick;
    previousTick = now;
    return static_cast<int32_t>(elapsed);
}

void FpsCounter::countFrame() {
    ++frames;
    const uint32_t now = tickCount();
    if (!started) {
        started = true;
        windowStart = now;
    }
    // The window is nominally 3 s; it closes on the first frame after it and the count is
    // always divided by 3.0, not by the time that really passed.
    if (now - windowStart > 3000u) {
        std::printf("FPS: %f\n", frames / 3.0);
        windowStart = now;
        frames = 0;
    }
}

void renderFrame() {
    profileStep(FrameStep::View);
    profileEnter(ProfileBucket::Simulate);
    if (allRunsEnded()) startRuns();
    if (optionFlags & ShowFps) fpsCounter.countFrame();
    const int32_t elapsedMs = frameClock();
    profileEnter(ProfileBucket::Draw);
    setView(elapsedMs);
    profileStep(FrameStep::Cars);
    profileEnter(ProfileBucket::Simulate);
    stepRuns();
    ds21Car->update(elapsedMs, cameraMode == 1);
    r5Car->update(elapsedMs, false);
    profileEnter(ProfileBucket::Draw);
    profileStep(FrameStep::Landscape);
    landscape->draw();
    profileStep(FrameStep::Track);
    track->draw();
    profileStep(FrameStep::Smoke);
    ds21Smoke->update(elapsedMs);
    r5Smoke->update(elapsedMs);
    profileEnter(ProfileBucket::Draw);
    profileStep(FrameStep::Blur);
    if (optionFlags & AccumBlur) blendIntoAccumulation();
}

void display() {
    renderFrame();
    profileStep(FrameStep::Swap);
    glutSwapBuffers();
}

void reshape(int width, int height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // A window shrunk to no height would make the aspect infinite; treat it as one pixel.
    const int safeHeight = height > 0 ? height : 1;
    gluPerspective(kFieldOfViewDegrees,
                   static_cast<double>(width) / static_cast<double>(safeHeight), kNearPlane,
                   kFarPlane);
    glClear(GL_ACCUM_BUFFER_BIT);
}

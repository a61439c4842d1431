#include "app/frame.h"

#include <GL/freeglut.h>

#include <cstdio>
#include <cstring>

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
// This frame's milliseconds since the previous one, taken once and handed to every update.
int32_t elapsedMs = 0;

void restartEndedRuns() {
    if (allRunsEnded()) startRuns();
}

void countFrameRate() {
    if (optionFlags & ShowFps) fpsCounter.countFrame();
}

void takeElapsedTime() { elapsedMs = frameClock(); }

// The sky box used to be drawn first, over the whole picture, to be mostly covered. It is drawn
// after the opaque models now, where the depth test spares it the pixels they cover, in the
// state it found at the start of the frame (see drawSkyBox): the current colour and normal,
// the texturing (off until a model list has switched it on), and the transform under which the
// light was given last (the previous frame's view; the identity reproduces the light's default
// before the first frame, as nothing gives the light a position before then).
GLfloat startColour[4] = {};
GLfloat startNormal[3] = {};
GLboolean startTextured = GL_FALSE;
GLfloat previousLightView[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
GLfloat lightView[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// Directional light straight down the z axis, given after the view so it stays fixed in the
// world.
const GLfloat kDownward[] = {0.0f, 0.0f, 1.0f, 0.0f};

void setView() {
    glGetFloatv(GL_CURRENT_COLOR, startColour);
    glGetFloatv(GL_CURRENT_NORMAL, startNormal);
    startTextured = glIsEnabled(GL_TEXTURE_2D);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    camera->apply(elapsedMs);
    std::memcpy(previousLightView, lightView, sizeof lightView);
    glGetFloatv(GL_MODELVIEW_MATRIX, lightView);
    glLightfv(GL_LIGHT0, GL_POSITION, kDownward);
}

void stepRecorders() {
    ds21Recorder->step(false);
    r5Recorder->step(false);
    cameraRecorder->step(false);
}

// Both cars move before either is drawn, so that a watcher can tell simulation from drawing.
// Moving calls no OpenGL and each car is drawn from its own pose alone, so the picture is the
// one of moving and drawing each car in turn.
void moveCars() {
    ds21Car->advance(elapsedMs);
    r5Car->advance(elapsedMs);
}

// The camera rides in the ds21 car in mode 1; that car is then not drawn. The opaque models
// (cars, landscape, track) are drawn without the alpha test, which can never discard their
// fragments: their lists set opaque white, their textures have no alpha, and lit, a fragment
// takes the material's diffuse alpha, 1. Without it a renderer may test and write depth before
// it shades a fragment. The sky box and the smoke have it back.
void drawCars() {
    glDisable(GL_ALPHA_TEST);
    ds21Car->hidden = cameraMode == 1;
    if (!ds21Car->hidden) ds21Car->draw();
    r5Car->draw();
}

void drawLandscape() { landscape->draw(); }

void drawTrack() { track->draw(); }

void setEnabled(GLenum capability, GLboolean enabled) {
    if (enabled)
        glEnable(capability);
    else
        glDisable(capability);
}

// Drawn after the opaque models, the sky box leaves the pixels it left when drawn before them:
// - Depth: where a model is nearer than the box, the model shows either way, where the box is
//   nearer, the box; on a tie the box, drawn first, used to win, and GL_LEQUAL keeps that. The
//   box's faces meet edge to edge, so no pixel takes two of its fragments. The depth left for
//   the smoke is the nearer of the two either way, and nothing before the smoke blends.
// - Colour: it is drawn with the view's turn as applied at the start of the frame, in the
//   colour, normal and texturing it found there, lit by the light given again under the previous
//   frame's transform (the same arithmetic as then), with the alpha test on as then: where that
//   discards it, it discards all of it either way. Afterwards what the models left (colour,
//   normal, texturing, this frame's light) is put back. The texture binding is not: all that is
//   drawn binds its own texture first.
void drawSkyBox() {
    glEnable(GL_ALPHA_TEST);
    glPushMatrix();
    glLoadIdentity();
    if (camera->turnAsApplied()) {
        GLfloat colour[4];
        GLfloat normal[3];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        glGetFloatv(GL_CURRENT_NORMAL, normal);
        const GLboolean textured = glIsEnabled(GL_TEXTURE_2D);
        glPushMatrix();
        glLoadMatrixf(previousLightView);
        glLightfv(GL_LIGHT0, GL_POSITION, kDownward);
        glPopMatrix();
        glColor4fv(startColour);
        glNormal3fv(startNormal);
        setEnabled(GL_TEXTURE_2D, startTextured);
        glDepthFunc(GL_LEQUAL);
        camera->drawSkyBox();
        glDepthFunc(GL_LESS);
        setEnabled(GL_TEXTURE_2D, textured);
        glColor4fv(colour);
        glNormal3fv(normal);
        glLoadMatrixf(lightView);
        glLightfv(GL_LIGHT0, GL_POSITION, kDownward);
    }
    glPopMatrix();
}

void updateSmoke() {
    ds21Smoke->update(elapsedMs);
    r5Smoke->update(elapsedMs);
}

// Shows 0.3 of the new image over 0.7 of the previous blend: a cheap motion blur.
void blurFrame() {
    if (!(optionFlags & AccumBlur)) return;
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
    runFrameStep(FrameStep::RunsRestart, restartEndedRuns);
    runFrameStep(FrameStep::FrameRate, countFrameRate);
    runFrameStep(FrameStep::Clock, takeElapsedTime);
    runFrameStep(FrameStep::View, setView);
    runFrameStep(FrameStep::Recorders, stepRecorders);
    runFrameStep(FrameStep::CarMotion, moveCars);
    runFrameStep(FrameStep::Cars, drawCars);
    runFrameStep(FrameStep::Landscape, drawLandscape);
    runFrameStep(FrameStep::Track, drawTrack);
    runFrameStep(FrameStep::SkyBox, drawSkyBox);
    runFrameStep(FrameStep::Smoke, updateSmoke);
    runFrameStep(FrameStep::Blur, blurFrame);
}

void display() {
    renderFrame();
    runFrameStep(FrameStep::Swap, glutSwapBuffers);
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

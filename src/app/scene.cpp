#include "app/scene.h"

#include <GL/gl.h>

#include <cstdio>

#include "app/options.h"
#include "assets/pack_files.h"
#include "effects/smoke.h"
#include "platform/heap.h"
#include "replay/recorder.h"
#include "world/camera.h"
#include "world/car.h"
#include "world/landscape.h"
#include "world/track.h"

Track* track = nullptr;
Landscape* landscape = nullptr;
Car* ds21Car = nullptr;
Car* r5Car = nullptr;
SmokeEmitter* ds21Smoke = nullptr;
SmokeEmitter* r5Smoke = nullptr;
Camera* camera = nullptr;
Recorder* cameraRecorder = nullptr;
Recorder* ds21Recorder = nullptr;
Recorder* r5Recorder = nullptr;

namespace {

SmokeEmitter* makeSmoke(const Car* car, float spawnDistance) {
    SmokeEmitter* smoke = new SmokeEmitter(1000, kSmokeBitmapFile);
    smoke->setEmitInterval(15);
    smoke->attachCar(car);
    smoke->setSpawnOffset(spawnDistance, 0.03f);
    return smoke;
}

void setFixedState() {
    glClearColor(0.3f, 0.3f, 0.8f, 0.0f);
    // Colour-keyed texels have alpha 0 and must not be drawn at all.
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.0f);
    glEnable(GL_DEPTH_TEST);
    // The model lists carry normals scaled by 0.01; lighting needs them unit length.
    glEnable(GL_NORMALIZE);
    if (optionFlags & Lighting) {
        static const GLfloat white[] = {1.0f, 1.0f, 1.0f, 1.0f};
        glEnable(GL_LIGHTING);
        glLightfv(GL_LIGHT0, GL_AMBIENT, white);
        glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
        glLightfv(GL_LIGHT0, GL_SPECULAR, white);
        glEnable(GL_LIGHT0);
    }
}

}  // namespace

void assembleScene() {
    track = new Track(kTrackModelFile);
    landscape = new Landscape(kLandscapeModelFile);
    ds21Car = new Car(kDs21ModelFile);
    ds21Car->setTrack(track);
    r5Car = new Car(kR5ModelFile);
    r5Car->setTrack(track);
    r5Car->setPosition(Vec3{0.3f, 0.0f, 0.0f});
    ds21Smoke = makeSmoke(ds21Car, 0.3f);
    r5Smoke = makeSmoke(r5Car, 0.2f);
    camera = new Camera(ds21Car);
    cameraRecorder = new Recorder(kCameraRunFile, camera);
    ds21Recorder = new Recorder(kDs21RunFile, ds21Car);
    r5Recorder = new Recorder(kR5RunFile, r5Car);
    startRuns();
    setFixedState();
    keepHeapForFrames();
}

void startRuns() {
    std::printf("\n");
    cameraRecorder->startPlayback(false);
    ds21Recorder->startPlayback(false);
    r5Recorder->startPlayback(false);
    std::printf("\n");
}

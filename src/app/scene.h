#pragma once

class Track;
class Landscape;
class Car;
class SmokeEmitter;
class Camera;
class Recorder;

// The scene: built once by assembleScene, never released.
extern Track* track;
extern Landscape* landscape;
extern Car* ds21Car;
extern Car* r5Car;
extern SmokeEmitter* ds21Smoke;
extern SmokeEmitter* r5Smoke;
extern Camera* camera;
extern Recorder* cameraRecorder;
extern Recorder* ds21Recorder;
extern Recorder* r5Recorder;

// Builds every scene object from the files in the working directory, starts the runs and
// sets the fixed OpenGL state. Needs a current OpenGL context.
void assembleScene();

// Starts the three runs from their first records, between two empty lines.
void startRuns();

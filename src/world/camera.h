#pragma once
#include <cstdint>

#include "world/body.h"

class Car;

// Where the free view stands and how it is turned (pitch, roll, heading) until its run's first
// record places it.
constexpr Vec3 kCameraStartPosition{-16.0f, -17.0f, 4.0f};
constexpr Vec3 kCameraStartRotation{-94.0f, -1.0f, 178.0f};

// Sets the view at the start of every frame: 0 free view (its own recorded pose),
// 1 in-car view of target, 2 overhead view of target. Modes 0 and 1 have a sky box around the
// eye, drawn in the view's rotation alone so that it turns with the view and never comes nearer.
class Camera : public Body {
  public:
    // Starts at kCameraStartPosition and kCameraStartRotation; loads "tex\clouds.bmp" into
    // skyTexture, and the process ends inside loadMipmappedTexture when that bitmap cannot be read.
    explicit Camera(Car* target);

    int32_t cycleMode();
    // Turns and places the view of the current mode on the modelview matrix, without the sky
    // box, and keeps its turn; the elapsed time is not used.
    void apply(int32_t elapsedMs);
    // Turns the modelview matrix as the last apply did, the eye's place left out: the transform
    // the sky box is drawn in, whatever the bodies have done since. False, with the matrix
    // untouched, when that view has no sky box.
    bool turnAsApplied() const;
    // The sky box at the current transform, in the current colour and normal, textured when
    // texturing is on; it sets no state but the texture binding.
    void drawSkyBox() const;

    Car* target = nullptr;
    int32_t mode = 0;
    uint32_t skyTexture = 0;
    // The last apply's rotations about x, y and z, in degrees, and whether its view has a sky box.
    float appliedTurn[3] = {};
    bool appliedSkyBox = false;
};

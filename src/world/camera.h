#pragma once
#include <cstdint>

#include "world/body.h"

class Car;

// Sets the view at the start of every frame: 0 free view (its own recorded pose),
// 1 in-car view of target, 2 overhead view of target. Draws the sky box in modes 0 and 1.
class Camera : public Body {
  public:
    // Start pose (-16, -17, 4; -94, -1, 178); loads "tex\clouds.bmp" into skyTexture, and the
    // process ends inside loadMipmappedTexture when that bitmap cannot be read.
    explicit Camera(Car* target);

    int32_t cycleMode();
    void apply(int32_t elapsedMs);
    void drawSkyBox() const;

    Car* target = nullptr;
    int32_t mode = 0;
    uint32_t skyTexture = 0;
};

#pragma once
#include <cstdint>

// The static scenery model.
class Landscape {
  public:
    // The process ends inside loadModel when the model at path cannot be loaded.
    explicit Landscape(const char* path);
    void draw() const;

    uint32_t modelList = 0;
};

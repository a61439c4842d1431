#pragma once
#include <cstdint>

// The static scenery model.
class Landscape {
public:
    explicit Landscape(const char* path);
    void draw() const;

    uint32_t modelList = 0;
};

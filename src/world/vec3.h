#pragma once

// A point or direction in world units; z is up.
struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

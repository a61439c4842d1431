#pragma once
#include <cstdint>

#include "world/vec3.h"

class Car;

struct Particle {
    bool alive = false;
    Vec3 position;
    Vec3 velocity;  // world units per millisecond
    float alpha = 0.0f;
    float fadeRate = 0.0f;  // opacity lost per millisecond
};

// The demo's own uniform generator: 32-bit linear congruential state seeded 1, yielding
// bits 16 to 30 (0 to 32767). Nothing else draws from an emitter's generator.
struct SmokeRandom {
    uint32_t state = 1;
    int32_t next() {
        state = state * 214013u + 2531011u;
        return static_cast<int32_t>((state >> 16) & 0x7fffu);
    }
};

// A fixed pool of camera-facing, additively blended smoke particles trailing one car.
class SmokeEmitter {
public:
    SmokeEmitter(int32_t particleCount, const char* texturePath);
    ~SmokeEmitter();
    SmokeEmitter(const SmokeEmitter&) = delete;
    SmokeEmitter& operator=(const SmokeEmitter&) = delete;

    void setEmitInterval(uint32_t ms) { emitInterval = ms; }
    void attachCar(const Car* value) { car = value; }
    void setSpawnOffset(float distance, float lift) {
        spawnDistance = distance;
        spawnLift = lift;
    }
    // Moves, fades, emits and draws the particles in one pass over the slots.
    void update(int32_t elapsedMs);
    // The current modelview matrix with its upper-left 3x3 block set to the identity.
    static void billboardMatrix(float out[16]);

    uint32_t lastEmitTime = 0;
    float spawnDistance = 0.0f;
    float spawnLift = 0.0f;
    uint32_t emitInterval = 1000;
    int32_t particleCount = 0;
    Particle* particles = nullptr;
    uint32_t billboardList = 0;
    uint32_t texture = 0;
    const Car* car = nullptr;
    SmokeRandom random;
};

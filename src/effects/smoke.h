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
// bits 16 to 30 (0 to 32767).
struct SmokeRandom {
    uint32_t state = 1;
    int32_t next() {
        state = state * 214013u + 2531011u;
        return static_cast<int32_t>((state >> 16) & 0x7fffu);
    }
};

// The one generator every emitter draws from, so two plumes interleave their draws in the
// order the emitters update. Nothing else in the demo draws from it.
SmokeRandom& smokeRandom();
// Puts the shared generator back to its seed, for a run that must repeat from the start.
void resetSmokeRandom();

// A fixed pool of camera-facing, additively blended smoke particles trailing one car.
class SmokeEmitter {
  public:
    // Needs a current OpenGL context. A pool that cannot be allocated leaves particleCount
    // 0 (the emitter then draws nothing); an unreadable bitmap leaves the squares untextured.
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
    // Moves, fades, emits and draws the particles in one pass over the slots. Without an
    // attached car nothing is emitted.
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

  private:
    void compileBillboard();
    // Advances a live particle; false when it has faded out and died.
    static bool advance(Particle& particle, int32_t elapsedMs);
    void draw(const Particle& particle) const;
    void emit(Particle& particle);
};

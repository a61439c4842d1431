#pragma once
#include <cstdint>

// The content generator's own deterministic randomness: the same seed gives the same
// numbers on every machine, unlike std:: distributions.
class ContentRandom {
  public:
    explicit ContentRandom(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}

    // splitmix64: tiny, fast and well mixed.
    uint64_t nextU64() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double unit() { return static_cast<double>(nextU64() >> 11) * (1.0 / 9007199254740992.0); }
    // Uniform in [lo, hi).
    double range(double lo, double hi) { return lo + (hi - lo) * unit(); }
    // Uniform integer in [0, n).
    uint32_t below(uint32_t n) { return static_cast<uint32_t>(unit() * n); }

  private:
    uint64_t state;
};

// Smooth value noise in [0, 1) on a lattice that repeats every `period` cells, so
// textures made from it tile without seams.
double tiledValueNoise(double x, double y, int period, uint32_t seed);

// Fractal sum of tiledValueNoise octaves (each doubling the frequency, halving the weight),
// normalised to [0, 1).
double tiledFractalNoise(double x, double y, int period, int octaves, uint32_t seed);

#include "content/maths/random.h"

#include <cmath>

namespace {

uint32_t hashCell(int x, int y, uint32_t seed) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
                 seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

double lattice(int x, int y, int period, uint32_t seed) {
    const int px = ((x % period) + period) % period;
    const int py = ((y % period) + period) % period;
    return static_cast<double>(hashCell(px, py, seed) & 0xffffffu) / 16777216.0;
}

double smooth(double t) { return t * t * (3.0 - 2.0 * t); }

}  // namespace

double tiledValueNoise(double x, double y, int period, uint32_t seed) {
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    const double tx = smooth(x - fx);
    const double ty = smooth(y - fy);
    const double a = lattice(ix, iy, period, seed);
    const double b = lattice(ix + 1, iy, period, seed);
    const double c = lattice(ix, iy + 1, period, seed);
    const double d = lattice(ix + 1, iy + 1, period, seed);
    const double top = a + (b - a) * tx;
    const double bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

double tiledFractalNoise(double x, double y, int period, int octaves, uint32_t seed) {
    double sum = 0.0;
    double weight = 0.5;
    double total = 0.0;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += weight * tiledValueNoise(x, y, period, seed + static_cast<uint32_t>(octave) * 7919u);
        total += weight;
        x *= 2.0;
        y *= 2.0;
        period *= 2;
        weight *= 0.5;
    }
    return sum / total;
}

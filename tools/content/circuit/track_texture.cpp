#include "content/circuit/track_texture.h"

#include <algorithm>
#include <cmath>

#include "content/maths/random.h"
#include "world/angles.h"

namespace {

constexpr int kSize = 512;

uint8_t clampByte(double value) {
    return static_cast<uint8_t>(std::clamp(value, 0.0, 255.0) + 0.5);
}

void put(Picture& picture, int x, int y, double r, double g, double b) {
    picture.set(x, y, clampByte(r), clampByte(g), clampByte(b));
}

// Noise that tiles over the whole atlas; x and y in pixels.
double grain(int x, int y, int cells, uint32_t seed) {
    return tiledFractalNoise(x * cells / double(kSize), y * cells / double(kSize), cells, 4, seed);
}

// Row of the picture for texture coordinate t (t runs from the bottom row up).
int rowOf(double t) { return static_cast<int>(std::floor((1.0 - t) * kSize)); }

void paintVerge(Picture& picture, int x0, int x1) {
    for (int y = 0; y < kSize; ++y) {
        for (int x = x0; x < x1; ++x) {
            const double n = grain(x, y, 64, 11) - 0.5;
            const double patch = grain(x, y, 8, 12) - 0.5;
            const double stripe = ((y / 64) % 2 == 0) ? 8.0 : -8.0;
            put(picture, x, y, 70 + 40 * n + 20 * patch + stripe,
                118 + 50 * n + 30 * patch + stripe, 46 + 25 * n);
        }
    }
}

// Red and white blocks a quarter unit long, shaded toward the outer edge like a raised kerb.
void paintKerb(Picture& picture, int x0, int x1) {
    for (int y = 0; y < kSize; ++y) {
        const bool red = (y / 64) % 2 == 0;
        const bool joint = y % 64 < 2;
        for (int x = x0; x < x1; ++x) {
            const double across = (x - x0 + 0.5) / (x1 - x0);
            const double shade = 0.78 + 0.22 * std::sin(across * kPi);
            const double n = 18.0 * (grain(x, y, 64, 21) - 0.5);
            double r = red ? 205 : 238, g = red ? 32 : 236, b = red ? 30 : 230;
            if (joint) r = g = b = 70;
            put(picture, x, y, r * shade + n, g * shade + n, b * shade + n);
        }
    }
}

void paintEdge(Picture& picture, int x0, int x1) {
    for (int y = 0; y < kSize; ++y) {
        for (int x = x0; x < x1; ++x) {
            const double n = 40.0 * (grain(x, y, 64, 31) - 0.5) + 20.0 * (grain(x, y, 8, 32) - 0.5);
            put(picture, x, y, 128 + n, 126 + n, 118 + n);
        }
    }
}

double asphalt(int x, int y) {
    const double fine = grain(x, y, 128, 41) - 0.5;
    const double coarse = grain(x, y, 8, 42) - 0.5;
    const double speck = (grain(x, y, 256, 43) > 0.78) ? 18.0 : 0.0;
    return 88.0 + 34.0 * fine + 16.0 * coarse + speck;
}

// Asphalt across a column, with darker rubber where the cars run, white edge lines and,
// when dashed, the centre dashes.
void paintAsphalt(Picture& picture, int x0, int x1, bool dashed) {
    const int width = x1 - x0;
    const int line = std::max(3, width / 32);
    for (int y = 0; y < kSize; ++y) {
        for (int x = x0; x < x1; ++x) {
            const int across = x - x0;
            const double lane = std::fabs((across + 0.5) / width - 0.5);
            const double rubber =
                (lane > 0.1 && lane < 0.35) ? -10.0 * (grain(x, y, 16, 44) + 0.3) : 0.0;
            double value = asphalt(x, y) + rubber;
            double tint = 0.0;
            const bool edgeLine = (across >= line && across < 2 * line) ||
                                  (across >= width - 2 * line && across < width - line);
            const bool dash = dashed && std::abs(2 * across + 1 - width) <= line && (y % 256) < 150;
            if (edgeLine || dash) {
                value = 228.0 + 20.0 * (grain(x, y, 64, 45) - 0.5);
                tint = 4.0;
            }
            put(picture, x, y, value, value, value - tint);
        }
    }
}

// The start/finish line as two rows of black and white squares across the road.
void paintStartLine(Picture& picture, int x0, int x1, double t) {
    // Rows hold twice the pixels per unit that columns do here, so squares are twice as tall.
    const int square = (x1 - x0) / 12;
    const int tall = 2 * square;
    const int top = rowOf(t) - tall;
    for (int y = top; y < top + 2 * tall; ++y) {
        for (int x = x0 + 2; x < x1 - 2; ++x) {
            const bool white = (((x - x0) / square) + ((y - top) / tall)) % 2 == 0;
            const double n = 10.0 * (grain(x, y, 64, 51) - 0.5);
            const double value = white ? 236 + n : 24 + n;
            put(picture, x, y, value, value, value);
        }
    }
}

// The grid slots: a bar across each half of the road just ahead of the cars' noses, with
// short legs back along the slot.
void paintGridSlots(Picture& picture, int x0, int x1, double t) {
    const int width = x1 - x0;
    const int bar = rowOf(t);
    const int legs = kSize / 14;
    for (int half = 0; half < 2; ++half) {
        const int from = x0 + (half == 0 ? width / 10 : width / 2 + width / 20);
        const int to = x0 + (half == 0 ? width / 2 - width / 20 : width - width / 10);
        for (int y = bar; y < bar + 4; ++y) {
            for (int x = from; x < to; ++x) put(picture, x, y, 232, 232, 226);
        }
        for (int y = bar; y < bar + legs; ++y) {
            for (int x = from; x < from + 3; ++x) put(picture, x, y, 232, 232, 226);
            for (int x = to - 3; x < to; ++x) put(picture, x, y, 232, 232, 226);
        }
    }
}

}  // namespace

Picture paintTrackTexture() {
    Picture picture(kSize, kSize);
    paintVerge(picture, 0, 64);
    paintKerb(picture, 64, 96);
    paintEdge(picture, 96, 128);
    paintAsphalt(picture, 128, 384, true);
    paintAsphalt(picture, 384, 512, false);
    // The start column spans two units from one unit behind the grid: the grid is at 0.5,
    // the cars' noses near 0.64 and the line 0.55 units ahead of the grid.
    paintGridSlots(picture, 384, 512, 0.66);
    paintStartLine(picture, 384, 512, 0.775);
    return picture;
}

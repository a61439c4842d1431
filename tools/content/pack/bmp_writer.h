#pragma once
#include <cstdint>
#include <string>
#include <vector>

// An 8-bit RGB picture, rows top to bottom, as painting code naturally fills it.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // width * height * 3

    Picture() = default;
    Picture(int w, int h) : width(w), height(h), rgb(static_cast<size_t>(w) * h * 3, 0) {}
    uint8_t* at(int x, int y) { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
    const uint8_t* at(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
    void set(int x, int y, uint8_t r, uint8_t g, uint8_t b) {
        uint8_t* p = at(x, y);
        p[0] = r;
        p[1] = g;
        p[2] = b;
    }
};

// Encodes the picture as an uncompressed 24-bit BMP with a 40-byte info header
// (bottom-up rows padded to 4 bytes), the format every BMP reader understands.
std::vector<uint8_t> encodeBmp24(const Picture& picture);

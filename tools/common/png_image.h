#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// An 8-bit RGB image, rows top to bottom, as PNG stores them.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // width * height * 3

    RgbImage() = default;
    RgbImage(int w, int h, uint8_t r = 0, uint8_t g = 0, uint8_t b = 0);
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    uint8_t* at(int x, int y) { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
    // Sets one pixel; points outside the image are ignored.
    void set(int x, int y, const uint8_t colour[3]);
};

// Turns RGBA rows read back from OpenGL (bottom row first) into an image.
RgbImage imageFromGlPixels(const std::vector<uint8_t>& rgba, int width, int height);

// Writes the image as an 8-bit RGB PNG without time stamps, so equal images give equal
// files, whole or not at all (an OutputFile: a link, device or FIFO at path is refused).
// Returns false and says why in error when the file cannot be written. Unless synced, the
// file is not made to wait for the disk (see OutputFile::setSynced).
bool writePng(const std::string& path, const RgbImage& image, std::string& error,
              bool synced = true);
// The same into an open stream (an OutputFile's, which then flushes and closes it); error
// says why encoding or a write failed.
bool writePng(FILE* file, const RgbImage& image, std::string& error);

#pragma once
#include <cstdint>
#include <vector>

// Makes a current OpenGL context in a GLUT window of the given size (once per process;
// later calls resize it). The tests run under Xvfb; without a display this fails the test.
void ensureGlContext(int width = 64, int height = 64);

// Reads the RGBA pixels of the back buffer (bottom row first).
std::vector<uint8_t> readPixels(int x, int y, int width, int height);

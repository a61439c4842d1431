#pragma once
#include <cstdint>
#include <string>

#include "content/pack/bmp_writer.h"

// Writes text in a blocky 5 x 7 pixel font into the picture, each font pixel `scale`
// pixels square, starting at (x, y) for the top left. Letters, digits, space, '-' and '.'.
void drawText(Picture& picture, const std::string& text, int x, int y, int scale,
              const uint8_t rgb[3]);
// The width in pixels that drawText takes for text.
int textWidth(const std::string& text, int scale);

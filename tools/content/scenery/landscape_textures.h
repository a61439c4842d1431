#pragma once
#include <string>
#include <vector>

#include "content/pack/bmp_writer.h"

// Bitmap paths of the landscape, as the model file names them.
constexpr const char* kGrassTexture = "tex\\grass.bmp";
constexpr const char* kConcreteTexture = "tex\\concrete.bmp";
constexpr const char* kBarkTexture = "tex\\bark.bmp";
constexpr const char* kPineTexture = "tex\\pine.bmp";
constexpr const char* kLeavesTexture = "tex\\leaves.bmp";
constexpr const char* kCrowdTexture = "tex\\crowd.bmp";
constexpr const char* kBannerTexture = "tex\\banners.bmp";
constexpr const char* kGantryTexture = "tex\\gantry.bmp";
constexpr const char* kGarageTexture = "tex\\garage.bmp";

// The sponsor boards: one made-up name per row of the banner atlas.
constexpr int kBannerRows = 8;

struct NamedPicture {
    std::string path;
    Picture picture;
};

// Every landscape texture, painted with the content generator's own noise.
std::vector<NamedPicture> paintLandscapeTextures();

// Writes text in a blocky 5 x 7 pixel font into the picture, each font pixel `scale`
// pixels square, starting at (x, y) for the top left. Letters, digits, space, '-' and '.'.
void drawText(Picture& picture, const std::string& text, int x, int y, int scale,
              const uint8_t rgb[3]);
// The width in pixels that drawText takes for text.
int textWidth(const std::string& text, int scale);

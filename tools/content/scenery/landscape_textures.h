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

#pragma once
#include <string>
#include <vector>

#include "content/pack/bmp_writer.h"
#include "content/pack/pack_layout.h"

// The sponsor boards: one made-up name per row of the banner atlas.
constexpr int kBannerRows = 8;

struct NamedPicture {
    std::string path;
    Picture picture;
};

// Every landscape texture, painted with the content generator's own noise.
std::vector<NamedPicture> paintLandscapeTextures();

#pragma once
#include "assets/pack_files.h"

// Every file of the content pack, named as the demo and the model files name them: relative to
// the pack's folder, with the backslash as the separator ("tex\grass.bmp" lands in
// <folder>/tex/grass.bmp). The files the demo opens by name are named in assets/pack_files.h;
// the textures that only the model files name, and the desktop icon, are named here.

// The folders of a pack.
constexpr const char* kPackFolders[] = {"models", "tex", "rec", "audio"};

// Textures named by the track, landscape and car models.
constexpr const char* kTrackTextureFile = "tex\\track.bmp";
constexpr const char* kGrassTextureFile = "tex\\grass.bmp";
constexpr const char* kConcreteTextureFile = "tex\\concrete.bmp";
constexpr const char* kBarkTextureFile = "tex\\bark.bmp";
constexpr const char* kPineTextureFile = "tex\\pine.bmp";
constexpr const char* kLeavesTextureFile = "tex\\leaves.bmp";
constexpr const char* kCrowdTextureFile = "tex\\crowd.bmp";
constexpr const char* kBannerTextureFile = "tex\\banners.bmp";
constexpr const char* kGantryTextureFile = "tex\\gantry.bmp";
constexpr const char* kGarageTextureFile = "tex\\garage.bmp";
constexpr const char* kDs21TextureFile = "tex\\ds21.bmp";
constexpr const char* kR5TextureFile = "tex\\r5.bmp";

// At the pack's root: the demo never reads it; an install puts it among the desktop icons.
constexpr const char* kIconFile = "zorvex.png";

// Every file of the pack. The generator checks all of them before it writes the first, and
// writes no other.
constexpr const char* kGeneratedFiles[] = {
    kTrackModelFile,      kLandscapeModelFile, kDs21ModelFile,
    kR5ModelFile,         kTrackTextureFile,   kGrassTextureFile,
    kConcreteTextureFile, kBarkTextureFile,    kPineTextureFile,
    kLeavesTextureFile,   kCrowdTextureFile,   kBannerTextureFile,
    kGantryTextureFile,   kGarageTextureFile,  kDs21TextureFile,
    kR5TextureFile,       kSkyBitmapFile,      kSmokeBitmapFile,
    kCameraRunFile,       kDs21RunFile,        kR5RunFile,
    kMusicFile,           kIconFile,
};

#pragma once
#include <string>
#include <vector>

#include "pack/findings.h"

class Track;

// The bitmaps the models name, each once, by the name under which the demo finds it.
struct TextureList {
    std::vector<std::string> names;  // those that open
    std::vector<std::string> tried;  // every one, so that a missing one is reported once
};

// Checks a model file as the drawing loader reads it: the file itself, its texture lines
// (each bitmap must open; those that do join textures), the format line by line, and where
// the model ends.
void checkModel(const char* name, Findings& findings, TextureList& textures);

// The same for the track, which the track's own reader then reads into track for the cars:
// triangles past the surface's limit or left out by that reader are reported too.
void checkTrackModel(const char* name, Findings& findings, TextureList& textures, Track& track);

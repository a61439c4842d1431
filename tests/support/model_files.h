#pragma once
#include <string>
#include <vector>

#include "assets/model_parser.h"

// Both passes of the drawing loader over one model, with every object kept.
struct ParsedModel {
    ModelTextureList textures;
    ModelGeometry geometry;
    std::vector<ModelObject> objects;
};

ParsedModel parseModelText(const std::string& text);
ParsedModel parseModelFile(const std::string& path);

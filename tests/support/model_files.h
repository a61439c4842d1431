#pragma once
#include <array>
#include <string>
#include <vector>

#include "assets/model_parser.h"

// One object of a model file, in file units (hundredths of a world unit).
struct TestObject {
    std::string texture = "tex\\grid.bmp";
    std::vector<std::array<double, 3>> positions;
    std::vector<std::array<double, 3>> normals;
    std::vector<std::array<double, 2>> uvs;
    std::vector<std::array<double, 3>> faceUvs;
    std::vector<std::array<int, 3>> faces;
};

std::string modelText(const std::vector<TestObject>& objects);

// The triangle (0,0,z), (100,0,z), (0,100,z) in file units, normals up, one face.
TestObject plate(double z, const std::string& texture = "tex\\grid.bmp");

// Both passes of the drawing loader over one model, with every object kept.
struct ParsedModel {
    ModelTextureList textures;
    ModelGeometry geometry;
    std::vector<ModelObject> objects;
};

ParsedModel parseModelText(const std::string& text);
ParsedModel parseModelFile(const std::string& path);

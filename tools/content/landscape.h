#pragma once
#include <string>
#include <vector>

#include "circuit.h"
#include "content_sink.h"
#include "model_writer.h"
#include "terrain.h"

constexpr const char* kLandscapeModelPath = "models\\landscape.ascii";

// Everything around the road: ground, the road's bed, the bridge with its parapets and
// abutments, the start gantry, grandstand, pit wall and paddock, sponsor boards, camera
// towers and trees.
std::vector<MeshObject> buildLandscape(const Circuit& circuit, const Terrain& terrain);

// Writes the landscape model and its textures. Returns false and names the file on failure.
bool writeLandscape(const ContentSink& sink, const Circuit& circuit, const Terrain& terrain, std::string& error);

#pragma once
#include <string>
#include <vector>

#include "content/circuit/circuit.h"
#include "content/circuit/terrain.h"
#include "content/pack/content_sink.h"
#include "content/pack/model_writer.h"
#include "content/pack/pack_layout.h"

// The whole scenery is one display list drawn every frame, and a computer without a
// graphics card draws it in software: 20,000 faces keep the woods dense and the ground
// shaped while the frame stays cheap. Trees and ground give up faces with distance from
// the road to fit.
constexpr size_t kLandscapeTriangleBudget = 20000;

// Everything around the road: ground, the road's bed, the bridge with its parapets and
// abutments, the start gantry, grandstand, pit wall and paddock, sponsor boards, camera
// towers and trees.
std::vector<MeshObject> buildLandscape(const Circuit& circuit, const Terrain& terrain);

// Writes the landscape model and its textures. Returns false and names the file on failure.
bool writeLandscape(const ContentSink& sink, const Circuit& circuit, const Terrain& terrain,
                    std::string& error);

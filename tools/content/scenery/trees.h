#pragma once
#include <vector>

#include "content/camera/camera_spots.h"
#include "content/circuit/circuit.h"
#include "content/circuit/terrain.h"
#include "content/maths/vector.h"
#include "content/scenery/ground_mesh.h"
#include "content/scenery/mesh_shapes.h"

// The woods: pines and broadleaf trees, fewer faces the farther they stand from the road.

struct Tree {
    V3 base;
    double scale;
    bool pine;
    unsigned seed;
    double roadDistance;
};

// Woods in clumps away from the road, with a few single trees between them; none near the
// buildings or in front of a camera tower. Each stands on the ground as drawn. Nearest the
// road first.
std::vector<Tree> placeTrees(const Circuit& circuit, const Terrain& terrain,
                             const GroundMesh& ground, const std::vector<CameraSpot>& spots);

// Every trunk, then every pine, then every broadleaf crown, each group nearest the road first.
void addTrees(MeshBuilder& builder, const std::vector<Tree>& trees);

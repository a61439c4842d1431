#pragma once
#include <vector>

#include "content/camera/camera_spots.h"
#include "content/circuit/circuit.h"
#include "content/circuit/terrain.h"
#include "content/scenery/mesh_shapes.h"

// The buildings of the meeting: the start gantry, the paddock, the grandstand and the
// camera towers.

// The start gantry over the line: two posts outside the verges and a beam with the lights.
void addGantry(MeshBuilder& builder, const Circuit& circuit);
// Pit wall with sponsor boards on its track side, the garages and the teams' trucks.
void addPaddock(MeshBuilder& builder, const Terrain& terrain);
// Raised rows of spectators facing the grid, with a roof and the meeting's name on it.
void addGrandstand(MeshBuilder& builder, const Terrain& terrain);
// A platform on four legs at every camera spot that stands on a tower.
void addCameraTowers(MeshBuilder& builder, const std::vector<CameraSpot>& spots,
                     const Terrain& terrain);

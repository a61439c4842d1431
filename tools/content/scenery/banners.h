#pragma once
#include "content/circuit/circuit.h"
#include "content/circuit/terrain.h"
#include "content/scenery/mesh_shapes.h"
#include "content/scenery/road_bed.h"

// The sponsors' boards and banners, showing rows of the banner atlas (landscape_textures.h).

constexpr double kBoardLength = 0.9;  // a sponsor board along the road or the pit wall

// An upright sign between two base points from zLow to zHigh, showing banner row `row`
// (half of the atlas row: `half` 0 or 1). The name reads left to right for someone facing
// the sign with `from` on their left; a second face back to back reads from behind.
void addSign(MeshBuilder& builder, const V3& from, const V3& to, double zLow, double zHigh, int row,
             int half);

// Sponsor boards behind the verge on the outside of the quicker corners and along the main
// straight in front of the grandstand.
void addBoards(MeshBuilder& builder, const Circuit& circuit, const Terrain& terrain,
               const DeckSpan& deck);

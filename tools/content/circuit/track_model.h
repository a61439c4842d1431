#pragma once
#include <vector>

#include "content/circuit/circuit.h"
#include "content/pack/content_sink.h"
#include "content/pack/model_writer.h"
#include "content/pack/pack_layout.h"

// The demo's height table holds 3,000 triangles of the track, and every one is also drawn.
constexpr size_t kTrackTriangleBudget = 3000;

// The drivable surface as model objects. The first object holds the crossing, where each
// plan triangle of the lower pass is followed by the bridge triangle straight above it, so
// that the first two surfaces a height query meets there are always one of each level.
std::vector<MeshObject> buildTrackModel(const Circuit& circuit);

// The road's segments as pairs of stations, in order along the loop, and the two spans of the
// crossing square. Scenery along the road's edge takes its corners at the same stations, so
// that it meets the edge without a crack.
std::vector<std::pair<double, double>> roadSegments(const Circuit& circuit);

// Writes the track model and its texture atlas (track_texture.h). Returns false and names the
// file on failure.
bool writeTrack(const ContentSink& sink, const Circuit& circuit, std::string& error);

#pragma once
#include <vector>

#include "camera_spots.h"
#include "race.h"
#include "replay/run_record.h"

// Whether a point shows in the free view of a camera record (square window, the demo's
// 65-degree field of view, a little margin) and lies within `reach` of the eye.
bool inCameraView(const RunRecord& camera, double x, double y, double z, double reach);

// The highest solid surface over each patch of the plan, ground or road (the bridge counts
// as solid down to the ground), to tell whether a line of sight is blocked.
class SightMap {
public:
    SightMap(const Circuit& circuit, const Terrain& terrain);
    // Whether the straight line from a to b clears every surface.
    bool clear(const V3& a, const V3& b) const;

private:
    double top(double x, double y) const;
    static constexpr double kCell = 0.15;
    double originX = 0.0, originY = 0.0;
    int columns = 0, rows = 0;
    std::vector<double> heights;
};

// One camera pose per record of the race, like television: each shot from a trackside spot
// aimed where the cars will pass, reframed as they go, then a cut to the next spot.
std::vector<RunRecord> directCameras(const std::vector<CameraSpot>& spots, const RaceLog& race, const Terrain& terrain,
                                     const SightMap& sight);

#pragma once
#include <vector>

#include "camera_spots.h"
#include "race.h"
#include "replay/run_record.h"

// Whether a point shows in the free view of a camera record (square window, the demo's
// 65-degree field of view, a little margin) and lies within `reach` of the eye.
bool inCameraView(const RunRecord& camera, double x, double y, double z, double reach);

// One camera pose per record of the race, like television: each shot from a trackside spot
// aimed where the cars will pass, held for a few seconds, then a cut to the next spot.
std::vector<RunRecord> directCameras(const std::vector<CameraSpot>& spots, const RaceLog& race, const Terrain& terrain);

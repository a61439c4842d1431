#pragma once
#include "mesh_shapes.h"
#include "replay/run_record.h"

// The free view's record for an eye at `eye` looking at `target`, level (no roll). The view
// turns by pitch about x, roll about y and heading about z, then moves by a tenth of the
// position, so the eye lies at minus a tenth of the position.
RunRecord aimCamera(const V3& eye, const V3& target);

// Where the free view of a record looks from, and its unit viewing direction.
V3 cameraEye(const RunRecord& record);
V3 cameraDirection(const RunRecord& record);

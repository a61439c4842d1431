#pragma once
#include "app/view.h"
#include "content/maths/vector.h"
#include "replay/run_record.h"

// The free view's record for an eye at `eye` looking at `target`, level (no roll). The view
// turns by pitch about x, roll about y and heading about z, then moves by a tenth of the
// position, so the eye lies at minus a tenth of the position.
RunRecord aimCamera(const V3& eye, const V3& target);

// Where the free view of a record looks from, and its unit viewing direction.
V3 cameraEye(const RunRecord& record);
V3 cameraDirection(const RunRecord& record);

// Half the height of the demo's window in pixels: a point at 1 on the picture's -1 to 1
// scale lies this many pixels from its centre. The window is square, so the same holds across.
constexpr double kHalfPicture = 0.5 * kWindowHeight;

// The tangent of half the view's field: a point at depth d lands on the picture's edge when
// it lies d times this off the line of sight.
double halfViewTangent();

// Where a point lands in the free view of a record, with the demo's projection (its field of
// view high in its square window): x right and y up, -1 to 1 across the picture, and its
// depth in front of the eye.
struct ViewPoint {
    double x = 0.0, y = 0.0, depth = 0.0;
};
ViewPoint viewPoint(const RunRecord& record, const V3& p);

// A car as the free view shows it: the box of a car 0.5 long, 0.2 wide and 0.14 high standing
// at `base`, its length along the heading (degrees, as the car's own). `size` is the longer
// side, in pixels of the demo's window, of the rectangle that bounds its eight corners, and
// 0 when a corner lies behind the near plane; `middle` is where its centre lands.
struct CarView {
    double size = 0.0;
    ViewPoint middle;
};
CarView carView(const RunRecord& record, const V3& base, double heading);

// The height of that box's centre above the car's reference point.
constexpr double kCarMiddle = 0.07;

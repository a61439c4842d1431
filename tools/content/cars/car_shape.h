#pragma once
#include <initializer_list>
#include <utility>
#include <vector>

#include "content/cars/car_atlas.h"
#include "content/pack/model_writer.h"

// A smooth profile through keys (y, value): monotone cubic, so it never overshoots between
// keys, and flat beyond the first and last key.
class ProfileCurve {
  public:
    ProfileCurve() = default;
    ProfileCurve(std::initializer_list<std::pair<double, double>> keys);
    double at(double y) const;

  private:
    std::vector<double> ys;
    std::vector<double> values;
    std::vector<double> tangents;
};

// One cross-section of a body lofted along y, in model units (z up, front toward -y).
struct CarSection {
    double y = 0.0;
    double bottom = 0.0;         // underside
    double halfWidth = 0.0;      // widest point of the lower body
    double shoulder = 0.0;       // z of that widest point
    double belt = 0.0;           // z of the beltline crease
    double beltHalfWidth = 0.0;  // half width at the beltline
    double top = 0.0;            // roof, bonnet or deck height at the edges of the top panel
    double topHalfWidth = 0.0;   // half width of the top panel
    double crown = 0.0;          // extra height on the centre line
};

// The whole shape of one car: side and plan profiles along y, the wheels and their arches.
struct CarShape {
    double front = 0.0;  // y of the nose
    double rear = 0.0;   // y of the tail
    ProfileCurve bottom, halfWidth, shoulder, belt, beltInset, top, topHalfWidth, crown;
    double lowerCorner = 0.05;  // radius of the lower body's bottom corners
    double roofEdge = 0.02;     // radius of the top panel's side edges
    double endRadius = 0.04;    // rounding of the nose and tail around their end faces
    double stationSpacing = 0.08;

    double wheelRadius = 0.14;
    double wheelWidth = 0.09;
    double wheelInset = 0.015;  // from the body side to the wheel's outer face
    double frontAxle = -0.6;
    double rearAxle = 0.6;
    double archClearance = 0.025;
    double rearArchDrop = 0.0;  // lowers the rear arch into a spat over the wheel
};

// The section of the shape at y, with wheel arches cut and the ends rounded.
CarSection sectionAt(const CarShape& shape, double y);

// The y positions where sections are taken: even spacing, denser around the arches and ends.
std::vector<double> sectionStations(const CarShape& shape);

// The stations of the body's mesh: of the close set above, the `strips` + 1 that keep the
// shape best. The section that the straight loft between its neighbours would miss by the
// least goes first, until the count is reached; the nose and the tail always stay.
std::vector<double> meshStations(const CarShape& shape, int strips);

// The lofted body shell, closed by its nose and tail faces, textured through the atlas, in
// at most maxFaces faces.
MeshObject buildBody(const CarShape& shape, const CarAtlas& atlas, size_t maxFaces);

// The four wheels (tyre tread, tyre wall with rim, inner face) standing on z = 0.
MeshObject buildWheels(const CarShape& shape, const CarAtlas& atlas);

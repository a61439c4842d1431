#pragma once
#include <vector>

// Lateral layout of the drivable surface, as distances from the centre line: the asphalt,
// then a kerb, then a verge on either side. All of it is part of the height table.
constexpr double kRoadHalfWidth = 0.5;
constexpr double kKerbWidth = 0.08;
constexpr double kVergeWidth = 0.25;
constexpr double kSurfaceHalfWidth = kRoadHalfWidth + kKerbWidth + kVergeWidth;

// Where the road runs on the grid: the first car stands at the origin, the second at x 0.3,
// both facing world -y, the direction of travel.
constexpr double kGridCentreX = 0.15;

// One station of the centre line. Direction of travel is (dirX, dirY); the left of it is
// (-dirY, dirX). Curvature is positive for a left turn.
struct CentrePoint {
    double s = 0.0;
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    double dirX = 0.0;
    double dirY = 1.0;
    double curvature = 0.0;
    double slope = 0.0;  // dz/ds
};

struct PlanPoint {
    double x = 0.0;
    double y = 0.0;
};

// The closed centre line of the circuit, a figure of eight whose two passes cross on a
// bridge. Stations run from 0 to length() in the direction of travel and wrap around.
class Circuit {
  public:
    double length() const { return totalLength; }
    double wrap(double s) const;
    // The centre line at station s (any real s; it wraps).
    CentrePoint at(double s) const;
    // The point `lateral` to the left of the centre line at station s.
    PlanPoint offsetPoint(double s, double lateral) const;
    // The station nearest to (x, y) within `window` of sGuess and the signed lateral offset
    // (left positive) of the point from it. Searching near a guess keeps the two passes of
    // the crossing apart.
    void locate(double x, double y, double sGuess, double window, double& s, double& lateral) const;
    // Shortest signed distance along the loop from a to b.
    double forwardGap(double a, double b) const;

    double gridS = 0.0;             // station of the cars' grid (the origin)
    double startLineS = 0.0;        // station of the start/finish line
    double lowerCrossingS = 0.0;    // station where the lower pass runs under the bridge
    double upperCrossingS = 0.0;    // station where the upper pass crosses the bridge
    PlanPoint crossing;             // plan position of the crossing
    double crossingFlatHalf = 0.0;  // both passes are straight and level this far either side

    std::vector<CentrePoint> samples;  // every kStep along the loop
    double totalLength = 0.0;

    static constexpr double kStep = 0.01;
};

// Builds the circuit: the layout of straights and corners closed by solving for two
// straight lengths per loop, moved so that the grid lies at the origin, with its hills.
Circuit buildCircuit();

#pragma once
#include <array>
#include <string>
#include <vector>

#include "content/circuit/circuit.h"

class Car;
class Track;

// The four corners (x, y) of a car's rectangular footprint seen from above.
using Corners = std::array<std::array<double, 2>, 4>;

// Largest gap between two footprints along their edge normals; negative when they overlap.
double separation(const Corners& a, const Corners& b);

// The footprint of car `index` (0 ds21, 1 r5) where it stands and faces now: what the race
// keeps apart and on the road.
Corners carFootprint(const Car& car, int index);

// Where both cars are in one frame of the recording session (frame k at k x kRecordFrameMs).
struct RaceFrame {
    double x[2];
    double y[2];
    double z[2];  // as the car settled on the track
    double heading[2];
    double progress[2];  // distance along the loop since the grid
};

// The whole race as recorded: every frame, and how many records each run holds.
struct RaceLog {
    std::vector<RaceFrame> frames;
    int records = 0;
    int recordEvery = 0;  // frames between records
};

// Drives the two cars, ds21 (index 0, on the grid at the origin) and r5 (index 1, at x 0.3),
// over two laps on the track's own triangles with the real car dynamics, and records both
// with the real Recorder on a manual clock into the files of the two names. The controls
// change only at record instants. Returns false and says why on failure.
bool recordRace(const Circuit& circuit, const Track& track, const std::string& ds21Path,
                const std::string& r5Path, RaceLog& log, std::string& error);

#pragma once
#include <cstddef>
#include <vector>

#include "content/circuit/circuit.h"

// The paddock beside the main straight: a level yard below the road behind the pit wall,
// where the free camera stands before its first record.
struct Paddock {
    double x0 = 1.25, x1 = 3.9;
    double y0 = -2.6, y1 = 4.2;
    double floor = -0.75;
};

// Rolling ground around the circuit that hugs the road from just below it and never rises
// through it, with a cutting where the lower pass runs under the bridge and higher ground
// toward the edge of the view.
class Terrain {
  public:
    explicit Terrain(const Circuit& circuit);

    // Ground height at a grid vertex (i, j) and, interpolated as drawn, anywhere.
    double vertexHeight(int i, int j) const {
        return heights[static_cast<size_t>(j) * columns + i];
    }
    double heightAt(double x, double y) const;
    // Plan distance from (x, y) to the centre line (coarse, for placing scenery).
    double roadDistance(double x, double y) const;

    static constexpr double kSpacing = 0.6;
    double originX = 0.0, originY = 0.0;
    int columns = 0, rows = 0;
    Paddock paddock;

  private:
    double naturalHeight(double x, double y, double distance) const;
    double shapedHeight(double x, double y) const;

    const Circuit& circuit;
    std::vector<CentrePoint> coarse;  // the centre line every 0.05
    std::vector<double> heights;
};

#include "content/circuit/terrain.h"

#include <algorithm>
#include <cmath>

#include "content/maths/random.h"

namespace {

constexpr double kMargin = 11.0;     // ground beyond the circuit, to the edge of the view
constexpr double kBelowRoad = 0.06;  // the ground's gap under the road surface
constexpr double kGuardRadius = kSurfaceHalfWidth + Terrain::kSpacing * 1.5 + 0.05;

double smoothstep(double edge0, double edge1, double x) {
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

}  // namespace

Terrain::Terrain(const Circuit& c) : circuit(c) {
    for (double s = 0.0; s < circuit.length(); s += 0.05) coarse.push_back(circuit.at(s));
    double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
    for (const CentrePoint& p : coarse) {
        minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
    originX = std::floor((minX - kMargin) / kSpacing) * kSpacing;
    originY = std::floor((minY - kMargin) / kSpacing) * kSpacing;
    columns = static_cast<int>(std::ceil((maxX + kMargin - originX) / kSpacing)) + 1;
    rows = static_cast<int>(std::ceil((maxY + kMargin - originY) / kSpacing)) + 1;
    heights.resize(static_cast<size_t>(columns) * rows);
    for (int j = 0; j < rows; ++j) {
        for (int i = 0; i < columns; ++i) {
            heights[static_cast<size_t>(j) * columns + i] =
                shapedHeight(originX + i * kSpacing, originY + j * kSpacing);
        }
    }
}

double Terrain::roadDistance(double x, double y) const {
    double best = 1e30;
    for (const CentrePoint& p : coarse)
        best = std::min(best, (p.x - x) * (p.x - x) + (p.y - y) * (p.y - y));
    return std::sqrt(best);
}

// Gentle hills near the circuit that climb into higher ground farther out.
double Terrain::naturalHeight(double x, double y, double distance) const {
    const double rolling =
        0.7 * (tiledFractalNoise(x / 7.0 + 40.0, y / 7.0 + 40.0, 64, 3, 501) - 0.5);
    const double rise = 0.09 * std::pow(std::max(0.0, distance - 3.5), 1.25);
    return -0.12 + rolling + rise;
}

// Natural ground blended into a bed just under the road near it, then held below every bit
// of road that a ground triangle at this vertex could reach.
double Terrain::shapedHeight(double x, double y) const {
    double nearest = 1e30, nearestZ = 0.0, cap = 1e30;
    for (const CentrePoint& p : coarse) {
        const double d = std::sqrt((p.x - x) * (p.x - x) + (p.y - y) * (p.y - y));
        if (d < nearest) nearest = d, nearestZ = p.z;
        if (d < kGuardRadius) cap = std::min(cap, p.z - kBelowRoad);
    }
    const double bed = smoothstep(kSurfaceHalfWidth + 2.6, kSurfaceHalfWidth + 0.3, nearest);
    double h = naturalHeight(x, y, nearest) * (1.0 - bed) + (nearestZ - kBelowRoad) * bed;
    const double inYard = smoothstep(
        0.5, 0.0, std::max({paddock.x0 - x, x - paddock.x1, paddock.y0 - y, y - paddock.y1}));
    h = h * (1.0 - inYard) + paddock.floor * inYard;
    return std::min(h, cap);
}

double Terrain::heightAt(double x, double y) const {
    const double fx = std::clamp((x - originX) / kSpacing, 0.0, columns - 1.001);
    const double fy = std::clamp((y - originY) / kSpacing, 0.0, rows - 1.001);
    const int i = static_cast<int>(fx), j = static_cast<int>(fy);
    const double tx = fx - i, ty = fy - j;
    // Each cell is taken as two triangles split along its (i, j)-(i+1, j+1) diagonal, as the
    // ground mesh draws the cells near the road.
    const double h00 = vertexHeight(i, j), h11 = vertexHeight(i + 1, j + 1);
    if (tx >= ty)
        return h00 + (vertexHeight(i + 1, j) - h00) * tx + (h11 - vertexHeight(i + 1, j)) * ty;
    return h00 + (h11 - vertexHeight(i, j + 1)) * tx + (vertexHeight(i, j + 1) - h00) * ty;
}

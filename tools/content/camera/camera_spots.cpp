#include "content/camera/camera_spots.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kSpotSpacing = 3.2;
constexpr double kTowerHeight = 0.5;

double averageCurvature(const Circuit& circuit, double s0, double s1) {
    double sum = 0.0;
    int count = 0;
    for (double s = s0; s <= s1; s += 0.1, ++count) sum += circuit.at(s).curvature;
    return count ? sum / count : 0.0;
}

bool farFromOthers(const std::vector<CameraSpot>& spots, double x, double y, double gap) {
    for (const CameraSpot& spot : spots) {
        if ((spot.x - x) * (spot.x - x) + (spot.y - y) * (spot.y - y) < gap * gap) return false;
    }
    return true;
}

}  // namespace

bool inBuiltArea(const Circuit& circuit, double x, double y) {
    const bool grandstand = x > -4.0 && x < -1.2 && y > -3.6 && y < 3.1;
    const bool paddock = x > 1.0 && x < 4.4 && y > -3.2 && y < 4.8;
    const bool cutting =
        std::fabs(x - circuit.crossing.x) < 2.6 && std::fabs(y - circuit.crossing.y) < 2.6;
    return grandstand || paddock || cutting;
}

std::vector<CameraSpot> cameraSpots(const Circuit& circuit, const Terrain& terrain) {
    std::vector<CameraSpot> spots;
    // The grandstand roof looks over the grid; the bridge looks back up the main straight.
    spots.push_back({-1.22, 1.6, 1.5, circuit.gridS, false});
    spots.push_back({circuit.crossing.x + 1.25, circuit.crossing.y + 1.05, 0.95,
                     circuit.wrap(circuit.lowerCrossingS - 3.0), false});
    int side = 1;
    for (double s = 1.0; s < circuit.length(); s += kSpotSpacing) {
        const double k = averageCurvature(circuit, s, s + 4.0);
        side = std::fabs(k) > 0.05 ? (k > 0.0 ? -1 : 1) : -side;
        const PlanPoint p = circuit.offsetPoint(s, side * (kSurfaceHalfWidth + 0.95));
        if (inBuiltArea(circuit, p.x, p.y) ||
            terrain.roadDistance(p.x, p.y) < kSurfaceHalfWidth + 0.9)
            continue;
        if (!farFromOthers(spots, p.x, p.y, 2.5)) continue;
        // Never below the road beside it, so the bank does not fill the view.
        const double eye =
            std::max(terrain.heightAt(p.x, p.y) + kTowerHeight, circuit.at(s).z + 0.35);
        spots.push_back({p.x, p.y, eye, s, true});
    }
    return spots;
}

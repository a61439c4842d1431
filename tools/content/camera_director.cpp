#include "camera_director.h"

#include <algorithm>
#include <cmath>

#include "camera_aim.h"

namespace {

constexpr double kHalfView = 29.0 * 3.14159265358979323846 / 180.0;  // of the 32.5 the window has
constexpr double kReach = 9.5;
constexpr int kLongestShot = 4;  // records

// What the director looks at: the race, the ground under the cars and the lines of sight.
struct Scene {
    const RaceLog& race;
    const Terrain& terrain;
    const SightMap& sight;
};

struct Interval {
    size_t first;
    size_t last;  // inclusive
};

Interval framesOf(const RaceLog& race, int record) {
    const size_t first = static_cast<size_t>(record) * race.recordEvery + 1;
    const size_t last = record + 1 == race.records ? race.frames.size() - 1 : first + race.recordEvery - 1;
    return {std::min(first, race.frames.size() - 1), std::min(last, race.frames.size() - 1)};
}

V3 carPoint(const Scene& scene, size_t frame, int car) {
    const RaceFrame& f = scene.race.frames[frame];
    return V3{f.x[car], f.y[car], scene.terrain.heightAt(f.x[car], f.y[car]) + 0.12};
}

bool shows(const Scene& scene, const RunRecord& pose, const V3& p) {
    return inCameraView(pose, p.x, p.y, p.z, kReach) && scene.sight.clear(cameraEye(pose), p);
}

// Share of the interval's frames that show a car, with a bonus for showing both and a cost
// for showing them from afar: a fixed lens makes distant cars small.
double score(const Scene& scene, const RunRecord& pose, const Interval& span) {
    const V3 eye = cameraEye(pose);
    double seen = 0.0, both = 0.0, distance = 0.0;
    for (size_t k = span.first; k <= span.last; ++k) {
        int count = 0;
        double nearest = kReach;
        for (int car = 0; car < 2; ++car) {
            const V3 p = carPoint(scene, k, car);
            if (!shows(scene, pose, p)) continue;
            ++count;
            nearest = std::min(nearest, std::hypot(p.x - eye.x, p.y - eye.y));
        }
        seen += count > 0 ? 1.0 : 0.0;
        both += count == 2 ? 1.0 : 0.0;
        distance += nearest;
    }
    const double frames = static_cast<double>(span.last - span.first + 1);
    return (seen + 0.3 * both - 0.07 * distance) / frames;
}

// Share of the interval's frames that show at least one car.
double seenShare(const Scene& scene, const RunRecord& pose, const Interval& span) {
    int seen = 0;
    for (size_t k = span.first; k <= span.last; ++k) {
        seen += shows(scene, pose, carPoint(scene, k, 0)) || shows(scene, pose, carPoint(scene, k, 1)) ? 1 : 0;
    }
    return seen / static_cast<double>(span.last - span.first + 1);
}

// Aims from a spot at the middle of where the cars (or one of them) are over the interval.
RunRecord aimOver(const Scene& scene, const CameraSpot& spot, const Interval& span, int car) {
    V3 sum;
    int n = 0;
    for (size_t k = span.first; k <= span.last; k += 4) {
        for (int c = 0; c < 2; ++c) {
            if (car >= 0 && c != car) continue;
            sum = sum + carPoint(scene, k, c);
            ++n;
        }
    }
    return aimCamera(V3{spot.x, spot.y, spot.z}, sum * (1.0 / std::max(n, 1)));
}

double distanceTo(const CameraSpot& spot, const RaceFrame& f) {
    double best = 1e9;
    for (int c = 0; c < 2; ++c) best = std::min(best, std::hypot(spot.x - f.x[c], spot.y - f.y[c]));
    return best;
}

struct Shot {
    int spot = -1;
    RunRecord pose;
    double value = -1e9;
};

// The best fresh shot for an interval from any spot but `avoid`; the nearest spot when no
// spot is close enough.
Shot bestShot(const Scene& scene, const std::vector<CameraSpot>& spots, const Interval& span, int avoid) {
    Shot best;
    const RaceFrame& middle = scene.race.frames[(span.first + span.last) / 2];
    for (size_t i = 0; i < spots.size(); ++i) {
        const double d = distanceTo(spots[i], middle);
        if (static_cast<int>(i) == avoid || d > 7.0 || d < 0.9) continue;
        for (int car = -1; car < 2; ++car) {
            const RunRecord pose = aimOver(scene, spots[i], span, car);
            const double value = score(scene, pose, span);
            if (value > best.value) best = Shot{static_cast<int>(i), pose, value};
        }
    }
    if (best.spot >= 0) return best;
    size_t nearest = 0;
    for (size_t i = 1; i < spots.size(); ++i) {
        if (distanceTo(spots[i], middle) < distanceTo(spots[nearest], middle)) nearest = i;
    }
    return Shot{static_cast<int>(nearest), aimOver(scene, spots[nearest], span, -1), 0.0};
}

}  // namespace

bool inCameraView(const RunRecord& camera, double x, double y, double z, double reach) {
    const V3 eye = cameraEye(camera);
    const V3 forward = cameraDirection(camera);
    const V3 right = normalized(cross(forward, V3{0.0, 0.0, 1.0}));
    const V3 up = cross(right, forward);
    const V3 v = V3{x, y, z} - eye;
    const double depth = v.x * forward.x + v.y * forward.y + v.z * forward.z;
    if (depth <= 0.1 || std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z) > reach) return false;
    const double limit = depth * std::tan(kHalfView);
    return std::fabs(v.x * right.x + v.y * right.y + v.z * right.z) <= limit &&
           std::fabs(v.x * up.x + v.y * up.y + v.z * up.z) <= limit;
}

SightMap::SightMap(const Circuit& circuit, const Terrain& terrain) {
    originX = terrain.originX;
    originY = terrain.originY;
    columns = static_cast<int>((terrain.columns - 1) * Terrain::kSpacing / kCell) + 1;
    rows = static_cast<int>((terrain.rows - 1) * Terrain::kSpacing / kCell) + 1;
    heights.resize(static_cast<size_t>(columns) * rows);
    for (int j = 0; j < rows; ++j) {
        for (int i = 0; i < columns; ++i) {
            heights[static_cast<size_t>(j) * columns + i] = terrain.heightAt(originX + i * kCell, originY + j * kCell);
        }
    }
    for (double s = 0.0; s < circuit.length(); s += 0.05) {
        const double z = circuit.at(s).z;
        for (double lateral = -kSurfaceHalfWidth; lateral <= kSurfaceHalfWidth; lateral += 0.1) {
            const PlanPoint p = circuit.offsetPoint(s, lateral);
            const int i = static_cast<int>(std::lround((p.x - originX) / kCell));
            const int j = static_cast<int>(std::lround((p.y - originY) / kCell));
            if (i < 0 || j < 0 || i >= columns || j >= rows) continue;
            double& cell = heights[static_cast<size_t>(j) * columns + i];
            cell = std::max(cell, z);
        }
    }
}

double SightMap::top(double x, double y) const {
    const int i = std::clamp(static_cast<int>(std::lround((x - originX) / kCell)), 0, columns - 1);
    const int j = std::clamp(static_cast<int>(std::lround((y - originY) / kCell)), 0, rows - 1);
    return heights[static_cast<size_t>(j) * columns + i];
}

bool SightMap::clear(const V3& a, const V3& b) const {
    const double length = std::sqrt((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y));
    const int steps = static_cast<int>(length / 0.1);
    // The last stretch is the car's own patch of road, which it stands on.
    for (int k = 1; k < steps - 3; ++k) {
        const double t = static_cast<double>(k) / steps;
        if (top(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t) > a.z + (b.z - a.z) * t) return false;
    }
    return true;
}

std::vector<RunRecord> directCameras(const std::vector<CameraSpot>& spots, const RaceLog& race, const Terrain& terrain,
                                     const SightMap& sight) {
    const Scene scene{race, terrain, sight};
    std::vector<RunRecord> poses;
    Shot current;
    int held = 0;
    for (int record = 0; record < race.records; ++record) {
        const Interval span = framesOf(race, record);
        const bool keep = current.spot >= 0 && held < kLongestShot && seenShare(scene, current.pose, span) > 0.97 &&
                          score(scene, current.pose, span) > 0.75;
        if (keep) {
            ++held;
        } else {
            // Reframe from the same spot while it still sees the cars well, else cut.
            Shot reframe;
            if (current.spot >= 0 && held < kLongestShot) {
                reframe.spot = current.spot;
                reframe.pose = aimOver(scene, spots[current.spot], span, -1);
                if (seenShare(scene, reframe.pose, span) > 0.97) reframe.value = score(scene, reframe.pose, span);
            }
            const Shot cut = bestShot(scene, spots, span, current.spot);
            const bool reframing = reframe.value > 0.0 && reframe.value >= cut.value - 0.1;
            current = reframing ? reframe : cut;
            held = reframing ? held + 1 : 1;
        }
        poses.push_back(current.pose);
    }
    return poses;
}

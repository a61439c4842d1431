#include "camera_director.h"

#include <algorithm>
#include <cmath>

#include "camera_aim.h"

namespace {

constexpr double kHalfView = 29.0 * 3.14159265358979323846 / 180.0;  // of the 32.5 the window has
constexpr double kReach = 9.5;
constexpr int kLongestShot = 4;  // records

struct Interval {
    size_t first;
    size_t last;  // inclusive
};

Interval framesOf(const RaceLog& race, int record) {
    const size_t first = static_cast<size_t>(record) * race.recordEvery + 1;
    const size_t last = record + 1 == race.records ? race.frames.size() - 1 : first + race.recordEvery - 1;
    return {std::min(first, race.frames.size() - 1), std::min(last, race.frames.size() - 1)};
}

V3 carPoint(const RaceFrame& f, int car, const Terrain& terrain) {
    return V3{f.x[car], f.y[car], terrain.heightAt(f.x[car], f.y[car]) + 0.12};
}

// Share of the interval's frames that show a car, with a bonus for showing both.
double score(const RunRecord& pose, const RaceLog& race, const Interval& span, const Terrain& terrain) {
    double seen = 0.0, both = 0.0;
    for (size_t k = span.first; k <= span.last; ++k) {
        int count = 0;
        for (int car = 0; car < 2; ++car) {
            const V3 p = carPoint(race.frames[k], car, terrain);
            count += inCameraView(pose, p.x, p.y, p.z, kReach) ? 1 : 0;
        }
        seen += count > 0 ? 1.0 : 0.0;
        both += count == 2 ? 1.0 : 0.0;
    }
    const double frames = static_cast<double>(span.last - span.first + 1);
    return (seen + 0.3 * both) / frames;
}

// Aims from a spot at the middle of where the cars are over the interval.
RunRecord aimOver(const CameraSpot& spot, const RaceLog& race, const Interval& span, const Terrain& terrain, int car) {
    V3 sum;
    int n = 0;
    for (size_t k = span.first; k <= span.last; k += 4) {
        for (int c = 0; c < 2; ++c) {
            if (car >= 0 && c != car) continue;
            sum = sum + carPoint(race.frames[k], c, terrain);
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
    double value = -1.0;
};

// The best fresh shot for an interval from any spot but `avoid`, preferring nearer spots.
Shot bestShot(const std::vector<CameraSpot>& spots, const RaceLog& race, const Interval& span, const Terrain& terrain,
              int avoid) {
    Shot best;
    const RaceFrame& middle = race.frames[(span.first + span.last) / 2];
    for (size_t i = 0; i < spots.size(); ++i) {
        const double d = distanceTo(spots[i], middle);
        if (static_cast<int>(i) == avoid || d > kReach - 1.5 || d < 0.9) continue;
        for (int car = -1; car < 2; ++car) {
            const RunRecord pose = aimOver(spots[i], race, span, terrain, car);
            const double value = score(pose, race, span, terrain) - 0.015 * d;
            if (value > best.value) best = Shot{static_cast<int>(i), pose, value};
        }
    }
    if (best.spot < 0 && avoid >= 0) return bestShot(spots, race, span, terrain, -1);
    if (best.spot < 0) {
        // Nothing near: the spot nearest the cars.
        size_t nearest = 0;
        for (size_t i = 1; i < spots.size(); ++i) {
            if (distanceTo(spots[i], middle) < distanceTo(spots[nearest], middle)) nearest = i;
        }
        best = Shot{static_cast<int>(nearest), aimOver(spots[nearest], race, span, terrain, -1), 0.0};
    }
    return best;
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

std::vector<RunRecord> directCameras(const std::vector<CameraSpot>& spots, const RaceLog& race, const Terrain& terrain) {
    std::vector<RunRecord> poses;
    Shot current;
    int held = 0;
    for (int record = 0; record < race.records; ++record) {
        const Interval span = framesOf(race, record);
        const bool keep = current.spot >= 0 && held < kLongestShot && score(current.pose, race, span, terrain) > 0.97;
        if (keep) {
            ++held;
        } else {
            Shot pan;
            if (current.spot >= 0 && held < kLongestShot) {
                pan.spot = current.spot;
                pan.pose = aimOver(spots[current.spot], race, span, terrain, -1);
                pan.value = score(pan.pose, race, span, terrain);
            }
            const Shot cut = bestShot(spots, race, span, terrain, current.spot);
            const bool panning = pan.value >= 0.97 || (pan.value > cut.value && pan.value > 0.0);
            current = panning ? pan : cut;
            held = panning ? held + 1 : 1;
        }
        poses.push_back(current.pose);
    }
    return poses;
}

#include "content/camera/camera_aim.h"

#include <algorithm>
#include <cmath>

namespace {
const double kFocal = 1.0 / halfViewTangent();
}  // namespace

double halfViewTangent() { return std::tan(0.5 * kFieldOfViewDegrees * kDegree); }

RunRecord aimCamera(const V3& eye, const V3& target) {
    const V3 d = normalized(target - eye);
    // The view looks along (-sin p sin h, -sin p cos h, -cos p); p = -90 looks level.
    const double heading = std::atan2(d.x, d.y) / kDegree;
    const double elevation = std::asin(d.z) / kDegree;
    RunRecord record;
    record.position = Vec3{static_cast<float>(-10.0 * eye.x), static_cast<float>(-10.0 * eye.y),
                           static_cast<float>(-10.0 * eye.z)};
    record.pitch = static_cast<float>(-90.0 - elevation);
    record.roll = 0.0f;
    record.heading = static_cast<float>(heading);
    return record;
}

V3 cameraEye(const RunRecord& record) {
    return V3{-0.1 * record.position.x, -0.1 * record.position.y, -0.1 * record.position.z};
}

V3 cameraDirection(const RunRecord& record) {
    const double p = record.pitch * kDegree, h = record.heading * kDegree,
                 r = record.roll * kDegree;
    // The inverse of the view's rotations applied to the eye's (0, 0, -1).
    const V3 afterPitch{0.0, -std::sin(p), -std::cos(p)};
    const V3 afterRoll{afterPitch.x * std::cos(r) - afterPitch.z * std::sin(r), afterPitch.y,
                       afterPitch.x * std::sin(r) + afterPitch.z * std::cos(r)};
    return V3{afterRoll.x * std::cos(h) + afterRoll.y * std::sin(h),
              -afterRoll.x * std::sin(h) + afterRoll.y * std::cos(h), afterRoll.z};
}

ViewPoint viewPoint(const RunRecord& record, const V3& p) {
    const double h = record.heading * kDegree, r = record.roll * kDegree,
                 a = record.pitch * kDegree;
    const V3 v = p - cameraEye(record);
    // Heading about z, then roll about y, then pitch about x, as the view applies them.
    const double x1 = v.x * std::cos(h) - v.y * std::sin(h),
                 y1 = v.x * std::sin(h) + v.y * std::cos(h);
    const double x2 = x1 * std::cos(r) + v.z * std::sin(r),
                 z2 = -x1 * std::sin(r) + v.z * std::cos(r);
    const double y3 = y1 * std::cos(a) - z2 * std::sin(a), z3 = y1 * std::sin(a) + z2 * std::cos(a);
    const double depth = -z3;
    if (depth <= 1e-9) return ViewPoint{0.0, 0.0, depth};
    return ViewPoint{x2 * kFocal / depth, y3 * kFocal / depth, depth};
}

CarView carView(const RunRecord& record, const V3& base, double heading) {
    const double h = heading * kDegree;
    const V3 along{-std::sin(h) * 0.25, std::cos(h) * 0.25, 0.0},
        across{std::cos(h) * 0.1, std::sin(h) * 0.1, 0.0};
    double left = 1e9, right = -1e9, low = 1e9, high = -1e9;
    CarView view;
    for (int k = 0; k < 8; ++k) {
        const V3 corner = base + along * (k & 1 ? 1.0 : -1.0) + across * (k & 2 ? 1.0 : -1.0) +
                          V3{0.0, 0.0, k & 4 ? 0.14 : 0.0};
        const ViewPoint p = viewPoint(record, corner);
        if (p.depth <= kNearPlane) return view;
        left = std::min(left, p.x), right = std::max(right, p.x);
        low = std::min(low, p.y), high = std::max(high, p.y);
    }
    view.size = kHalfPicture * std::max(right - left, high - low);
    view.middle = viewPoint(record, base + V3{0.0, 0.0, kCarMiddle});
    return view;
}

#include "camera_aim.h"

#include <cmath>

namespace {
constexpr double kDegree = 3.14159265358979323846 / 180.0;
}

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
    const double p = record.pitch * kDegree, h = record.heading * kDegree, r = record.roll * kDegree;
    // The inverse of the view's rotations applied to the eye's (0, 0, -1).
    const V3 afterPitch{0.0, -std::sin(p), -std::cos(p)};
    const V3 afterRoll{afterPitch.x * std::cos(r) - afterPitch.z * std::sin(r), afterPitch.y,
                       afterPitch.x * std::sin(r) + afterPitch.z * std::cos(r)};
    return V3{afterRoll.x * std::cos(h) + afterRoll.y * std::sin(h), -afterRoll.x * std::sin(h) + afterRoll.y * std::cos(h),
              afterRoll.z};
}

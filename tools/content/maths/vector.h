#pragma once
#include <cmath>

#include "world/angles.h"

// The generator's one vector: a point or direction in world units, z up, in doubles as its
// geometry is worked out. The demo's own Vec3 (floats) appears only where a value goes to or
// comes from the demo's code: a run record, a car, a parsed model.
struct V3 {
    double x = 0.0, y = 0.0, z = 0.0;
};
inline V3 operator+(const V3& a, const V3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(const V3& a, const V3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator*(const V3& a, double k) { return {a.x * k, a.y * k, a.z * k}; }
inline double dot(const V3& a, const V3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline V3 cross(const V3& a, const V3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
// The unit vector along a; straight up for the zero vector.
inline V3 normalized(const V3& a) {
    const double n = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
    return n > 0.0 ? a * (1.0 / n) : V3{0.0, 0.0, 1.0};
}

// Radians per degree for the generator's own geometry (the circuit's corners, the camera's
// aim, the trees' turns). Where the race must agree with the demo's cars it takes their
// truncated kRadiansPerDegree instead.
constexpr double kDegree = kPi / 180.0;

#include "content/camera/sight_map.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "assets/model_parser.h"
#include "platform/files.h"

namespace {

V3 toV3(const Vec3& v) { return V3{v.x, v.y, v.z}; }

V3 lowest(const V3& a, const V3& b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)};
}
V3 highest(const V3& a, const V3& b) {
    return {std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)};
}

}  // namespace

bool SightMap::addModel(const std::string& path) {
    FILE* file = openRegularStream(path.c_str());
    if (!file) return false;
    const size_t before = faces.size();
    parseModelGeometry(file, [this](const ModelObject& object, size_t) {
        for (const ModelFace& f : object.faces) {
            const V3 a = toV3(object.positions[f.vertex[0]]),
                     b = toV3(object.positions[f.vertex[1]]),
                     c = toV3(object.positions[f.vertex[2]]);
            const Face face{a, b - a, c - a, lowest(a, lowest(b, c)), highest(a, highest(b, c))};
            const int index = static_cast<int>(faces.size());
            faces.push_back(face);
            const int i0 = columnOf(face.low.x), i1 = columnOf(face.high.x);
            const int j0 = columnOf(face.low.y), j1 = columnOf(face.high.y);
            for (int j = j0; j <= j1; ++j) {
                for (int i = i0; i <= i1; ++i)
                    cells[static_cast<size_t>(j) * kColumns + i].push_back(index);
            }
        }
    });
    std::fclose(file);
    return faces.size() > before;
}

int SightMap::columnOf(double v) {
    return std::clamp(static_cast<int>(std::floor((v - kOrigin) / kCell)), 0, kColumns - 1);
}

bool SightMap::hits(const Face& face, const Segment& segment) {
    if (face.high.x < segment.low.x || face.low.x > segment.high.x || face.high.y < segment.low.y ||
        face.low.y > segment.high.y || face.high.z < segment.low.z || face.low.z > segment.high.z) {
        return false;
    }
    // Moller-Trumbore, limited to the segment.
    const V3 p = cross(segment.dir, face.edge2);
    const double det = dot(face.edge1, p);
    if (std::fabs(det) < 1e-12) return false;
    const V3 s = segment.from - face.corner;
    const double u = dot(s, p) / det;
    if (u < 0.0 || u > 1.0) return false;
    const V3 q = cross(s, face.edge1);
    const double v = dot(segment.dir, q) / det;
    if (v < 0.0 || u + v > 1.0) return false;
    const double along = dot(face.edge2, q) / det;
    return along >= 0.0 && along <= 1.0;
}

bool SightMap::clear(const V3& a, const V3& b) const {
    const Segment segment{a, b - a, lowest(a, b), highest(a, b)};
    // The cells under the segment, a little widened so that no cell the line grazes is missed.
    // Neighbouring samples mostly fall in cells just looked at; those are skipped.
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    const int steps = static_cast<int>(length / (0.25 * kCell)) + 1;
    int recent[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    int next = 0;
    int was[4] = {-1, -1, -1, -1};
    for (int k = 0; k <= steps; ++k) {
        const double f = static_cast<double>(k) / steps;
        const double x = a.x + (b.x - a.x) * f, y = a.y + (b.y - a.y) * f;
        const int around[4] = {columnOf(x - 0.2 * kCell), columnOf(x + 0.2 * kCell),
                               columnOf(y - 0.2 * kCell), columnOf(y + 0.2 * kCell)};
        // Most samples fall in the very cells of the one before, which were all just looked at.
        if (std::equal(std::begin(around), std::end(around), std::begin(was))) continue;
        std::copy(std::begin(around), std::end(around), std::begin(was));
        for (int n = 0; n < 4; ++n) {
            const int cell = around[2 + n / 2] * kColumns + around[n % 2];
            if (std::find(std::begin(recent), std::end(recent), cell) != std::end(recent)) continue;
            recent[next] = cell;
            next = (next + 1) % 8;
            for (int index : cells[cell]) {
                if (hits(faces[index], segment)) return false;
            }
        }
    }
    return true;
}

bool SightMap::roomAt(const V3& eye, double lift) const {
    constexpr double kLens = 0.2;
    if (!clear(eye, eye + V3{0.0, 0.0, 30.0}) || clear(eye, eye - V3{0.0, 0.0, 30.0})) return false;
    if (!clear(eye, eye - V3{0.0, 0.0, lift})) return false;
    for (int k = 0; k < 8; ++k) {
        const double angle = k * kPi / 4.0;
        if (!clear(eye, eye + V3{kLens * std::cos(angle), kLens * std::sin(angle), 0.0}))
            return false;
    }
    return true;
}

#include "content/scenery/mesh_shapes.h"

#include <algorithm>
#include <cmath>

namespace {

MeshObject::Vertex vertexAt(const V3& p, const V3& n, double u, double v) {
    MeshObject::Vertex out;
    out.x = static_cast<float>(p.x);
    out.y = static_cast<float>(p.y);
    out.z = static_cast<float>(p.z);
    out.nx = static_cast<float>(n.x);
    out.ny = static_cast<float>(n.y);
    out.nz = static_cast<float>(n.z);
    out.u = static_cast<float>(u);
    out.v = static_cast<float>(v);
    return out;
}

// A deterministic wobble in [-1, 1] for vertex k of ring r.
double wobbleAt(unsigned seed, int r, int k) {
    unsigned h =
        seed * 2654435761u + static_cast<unsigned>(r) * 40503u + static_cast<unsigned>(k) * 9176u;
    h ^= h >> 15;
    h *= 2246822519u;
    h ^= h >> 13;
    return (h & 0xffffu) / 32767.5 - 1.0;
}

}  // namespace

MeshObject& MeshBuilder::object(const std::string& texture, size_t vertices, size_t faces) {
    auto group = std::find_if(groups.begin(), groups.end(),
                              [&](const Group& g) { return g.texture == texture; });
    if (group == groups.end()) {
        groups.push_back(Group{texture, {}});
        group = groups.end() - 1;
    }
    std::vector<MeshObject>& objects = group->objects;
    const bool fits = !objects.empty() &&
                      objects.back().vertices.size() + vertices <= kMaxModelEntries &&
                      objects.back().faceCount() + faces <= kMaxModelEntries;
    if (!fits) objects.emplace_back();
    return objects.back();
}

std::vector<MeshObject> MeshBuilder::take() {
    std::vector<MeshObject> out;
    for (Group& group : groups) {
        for (size_t i = 0; i < group.objects.size(); ++i) {
            group.objects[i].texture = i == 0 ? group.texture : "xxx";
            group.objects[i].name = "part" + std::to_string(out.size() + 1);
            out.push_back(std::move(group.objects[i]));
        }
    }
    groups.clear();
    return out;
}

void addFlatQuad(MeshObject& object, const V3& a, const V3& b, const V3& c, const V3& d,
                 const Uv& uvA, const Uv& uvB, const Uv& uvC, const Uv& uvD) {
    const V3 n = normalized(cross(b - a, d - a));
    const int32_t ia = object.addVertex(vertexAt(a, n, uvA.u, uvA.v));
    const int32_t ib = object.addVertex(vertexAt(b, n, uvB.u, uvB.v));
    const int32_t ic = object.addVertex(vertexAt(c, n, uvC.u, uvC.v));
    const int32_t id = object.addVertex(vertexAt(d, n, uvD.u, uvD.v));
    object.addTriangle(ia, ib, ic);
    object.addTriangle(ia, ic, id);
}

// A quad with a chosen normal for all four corners. Signs and stands face the track with
// their normals lifted halfway to the light above, so that they read under it.
void quadWithNormal(MeshObject& object, const V3 (&p)[4], const Uv (&uv)[4], const V3& normal) {
    int32_t index[4];
    for (int k = 0; k < 4; ++k)
        index[k] = object.addVertex(vertexAt(p[k], normal, uv[k].u, uv[k].v));
    object.addTriangle(index[0], index[1], index[2]);
    object.addTriangle(index[0], index[2], index[3]);
}

// The normal toward someone who sees bottomLeft on their left, lifted halfway up.
V3 liftedFacing(const V3& bottomLeft, const V3& bottomRight) {
    const V3 along = bottomRight - bottomLeft;
    return normalized(normalized(V3{along.y, -along.x, 0.0}) + V3{0.0, 0.0, 1.0});
}

size_t boxVertices() { return 20; }
size_t boxFaces() { return 10; }

void addBox(MeshObject& object, const V3& centre, double sizeX, double sizeY, double z0, double z1,
            double angle, double tile) {
    const double c = std::cos(angle), s = std::sin(angle);
    auto at = [&](double lx, double ly, double z) {
        return V3{centre.x + lx * c - ly * s, centre.y + lx * s + ly * c, z};
    };
    const double hx = sizeX * 0.5, hy = sizeY * 0.5;
    const V3 p[8] = {at(-hx, -hy, z0), at(hx, -hy, z0), at(hx, hy, z0), at(-hx, hy, z0),
                     at(-hx, -hy, z1), at(hx, -hy, z1), at(hx, hy, z1), at(-hx, hy, z1)};
    const double h = (z1 - z0) / tile;
    const double wx = sizeX / tile, wy = sizeY / tile;
    addFlatQuad(object, p[0], p[1], p[5], p[4], {0, 0}, {wx, 0}, {wx, h}, {0, h});
    addFlatQuad(object, p[1], p[2], p[6], p[5], {0, 0}, {wy, 0}, {wy, h}, {0, h});
    addFlatQuad(object, p[2], p[3], p[7], p[6], {0, 0}, {wx, 0}, {wx, h}, {0, h});
    addFlatQuad(object, p[3], p[0], p[4], p[7], {0, 0}, {wy, 0}, {wy, h}, {0, h});
    addFlatQuad(object, p[4], p[5], p[6], p[7], {0, 0}, {wx, 0}, {wx, wy}, {0, wy});
}

size_t spikeVertices(int sides) { return static_cast<size_t>(2 * sides + 1); }
size_t spikeFaces(int sides) { return static_cast<size_t>(sides); }

void addSpike(MeshObject& object, const V3& base, const ConeShape& shape, double uTile,
              double vTile) {
    // Sloped sides lean their normals outward by the cone's own slope.
    const double lean = shape.radius / shape.height;
    const V3 apex = base + V3{0.0, 0.0, shape.height};
    const int32_t ring = static_cast<int32_t>(object.vertices.size());
    for (int k = 0; k <= shape.sides; ++k) {
        const double a = shape.turn + 2.0 * kPi * k / shape.sides;
        const double r =
            shape.radius * (1.0 + shape.wobble * wobbleAt(shape.seed, 0, k % shape.sides));
        const V3 radial{std::cos(a), std::sin(a), 0.0};
        object.addVertex(vertexAt(base + radial * r, normalized(V3{radial.x, radial.y, lean}),
                                  uTile * k / shape.sides, 0.0));
    }
    // One apex per face, so each face's texture and normal meet the point along its middle.
    for (int k = 0; k < shape.sides; ++k) {
        const double a = shape.turn + 2.0 * kPi * (k + 0.5) / shape.sides;
        const V3 n = normalized(V3{std::cos(a), std::sin(a), lean});
        const int32_t top =
            object.addVertex(vertexAt(apex, n, uTile * (k + 0.5) / shape.sides, vTile));
        object.addTriangle(ring + k, ring + k + 1, top);
    }
}

size_t crownVertices(int sides, int rings) {
    return static_cast<size_t>(2 * sides + (sides + 1) * rings);
}
size_t crownFaces(int sides, int rings) { return static_cast<size_t>(2 * sides * rings); }

void addCrown(MeshObject& object, const V3& centre, double radius, double height, int sides,
              int rings, double turn, double wobble, unsigned seed) {
    const double half = 0.5 * height;
    auto point = [&](double polar, double angle, double bump, double u, double v) {
        const V3 dir{std::sin(polar) * std::cos(angle), std::sin(polar) * std::sin(angle),
                     std::cos(polar)};
        const V3 p = centre + V3{dir.x * radius * bump, dir.y * radius * bump, dir.z * half * bump};
        // The ellipsoid's normal: flatter crowns face more upward.
        const V3 n = normalized(V3{dir.x / radius, dir.y / radius, dir.z / half});
        return object.addVertex(vertexAt(p, n, u, v));
    };
    const double step = 2.0 * kPi / sides;
    std::vector<int32_t> firsts;
    for (int r = 0; r < rings; ++r) {
        // Two rings sit high and a little below the middle, the second turned half a face.
        const double polar = rings == 1 ? 0.5 * kPi : (r == 0 ? 0.32 * kPi : 0.64 * kPi);
        const double offset = turn + 0.5 * step * r;
        firsts.push_back(static_cast<int32_t>(object.vertices.size()));
        for (int k = 0; k <= sides; ++k) {
            const double bump = 1.0 + wobble * wobbleAt(seed, r + 1, k % sides);
            point(polar, offset + step * k, bump, 2.0 * k / sides, 1.0 - polar / kPi);
        }
    }
    const double lastOffset = turn + 0.5 * step * (rings - 1);
    // The points sit in a little, so the crown is round on top and flat beneath, not pointed.
    constexpr double kTopPoint = 0.9, kBottomPoint = 0.8;
    for (int k = 0; k < sides; ++k) {
        const int32_t top =
            point(0.0, turn + step * (k + 0.5), kTopPoint, 2.0 * (k + 0.5) / sides, 1.0);
        object.addTriangle(top, firsts[0] + k, firsts[0] + k + 1);
        const int32_t bottom =
            point(kPi, lastOffset + step * (k + 0.5), kBottomPoint, 2.0 * (k + 0.5) / sides, 0.0);
        object.addTriangle(bottom, firsts[rings - 1] + k + 1, firsts[rings - 1] + k);
    }
    for (int r = 0; r + 1 < rings; ++r) {
        const int32_t upper = firsts[r], lower = firsts[r + 1];
        for (int k = 0; k < sides; ++k) {
            object.addTriangle(upper + k, lower + k, upper + k + 1);
            object.addTriangle(lower + k, lower + k + 1, upper + k + 1);
        }
    }
}

#include "mesh_shapes.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

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
    unsigned h = seed * 2654435761u + static_cast<unsigned>(r) * 40503u + static_cast<unsigned>(k) * 9176u;
    h ^= h >> 15;
    h *= 2246822519u;
    h ^= h >> 13;
    return (h & 0xffffu) / 32767.5 - 1.0;
}

}  // namespace

V3 cross(const V3& a, const V3& b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

V3 normalized(const V3& a) {
    const double n = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
    return n > 0.0 ? a * (1.0 / n) : V3{0.0, 0.0, 1.0};
}

MeshObject& MeshBuilder::object(const std::string& texture, size_t vertices, size_t faces) {
    auto group = std::find_if(groups.begin(), groups.end(), [&](const Group& g) { return g.texture == texture; });
    if (group == groups.end()) {
        groups.push_back(Group{texture, {}});
        group = groups.end() - 1;
    }
    std::vector<MeshObject>& objects = group->objects;
    const bool fits = !objects.empty() && objects.back().vertices.size() + vertices <= kMaxModelEntries &&
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

void addFlatQuad(MeshObject& object, const V3& a, const V3& b, const V3& c, const V3& d, const Uv& uvA, const Uv& uvB,
                 const Uv& uvC, const Uv& uvD) {
    const V3 n = normalized(cross(b - a, d - a));
    const int32_t ia = object.addVertex(vertexAt(a, n, uvA.u, uvA.v));
    const int32_t ib = object.addVertex(vertexAt(b, n, uvB.u, uvB.v));
    const int32_t ic = object.addVertex(vertexAt(c, n, uvC.u, uvC.v));
    const int32_t id = object.addVertex(vertexAt(d, n, uvD.u, uvD.v));
    object.addTriangle(ia, ib, ic);
    object.addTriangle(ia, ic, id);
}

size_t boxVertices() { return 20; }
size_t boxFaces() { return 10; }

void addBox(MeshObject& object, const V3& centre, double sizeX, double sizeY, double z0, double z1, double angle,
            double tile) {
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

size_t coneVertices(int sides) { return static_cast<size_t>(sides + 1) * 2; }
size_t coneFaces(int sides) { return static_cast<size_t>(sides) * 2; }

void addCone(MeshObject& object, const V3& base, double radiusBottom, double radiusTop, double height, int sides,
             double uTile, double vTile) {
    // Sloped sides lean their normals outward by the cone's own slope.
    const double lean = (radiusBottom - radiusTop) / height;
    const int32_t first = static_cast<int32_t>(object.vertices.size());
    for (int k = 0; k <= sides; ++k) {
        const double a = 2.0 * kPi * k / sides;
        const V3 radial{std::cos(a), std::sin(a), 0.0};
        const V3 n = normalized(V3{radial.x, radial.y, lean});
        const double u = uTile * k / sides;
        object.addVertex(vertexAt(base + radial * radiusBottom, n, u, 0.0));
        object.addVertex(vertexAt(base + radial * radiusTop + V3{0, 0, height}, n, u, vTile));
    }
    for (int k = 0; k < sides; ++k) {
        const int32_t a = first + 2 * k;
        object.addTriangle(a, a + 2, a + 3);
        object.addTriangle(a, a + 3, a + 1);
    }
}

size_t blobVertices(int sides, int rings) { return static_cast<size_t>(sides + 1) * (rings + 1); }
size_t blobFaces(int sides, int rings) { return static_cast<size_t>(sides) * rings * 2; }

void addBlob(MeshObject& object, const V3& centre, double radius, double height, int sides, int rings, double wobble,
             unsigned seed) {
    const int32_t first = static_cast<int32_t>(object.vertices.size());
    for (int r = 0; r <= rings; ++r) {
        const double polar = kPi * r / rings;
        for (int k = 0; k <= sides; ++k) {
            const double a = 2.0 * kPi * k / sides;
            const int kk = k == sides ? 0 : k;
            const double bump = (r == 0 || r == rings) ? 1.0 : 1.0 + wobble * wobbleAt(seed, r, kk);
            const V3 dir{std::sin(polar) * std::cos(a), std::sin(polar) * std::sin(a), std::cos(polar)};
            const V3 p = centre + V3{dir.x * radius * bump, dir.y * radius * bump, dir.z * height * 0.5 * bump};
            object.addVertex(vertexAt(p, dir, 2.0 * k / sides, 1.0 - static_cast<double>(r) / rings));
        }
    }
    for (int r = 0; r < rings; ++r) {
        for (int k = 0; k < sides; ++k) {
            const int32_t a = first + r * (sides + 1) + k;
            const int32_t b = a + sides + 1;
            object.addTriangle(a, b, b + 1);
            object.addTriangle(a, b + 1, a + 1);
        }
    }
}

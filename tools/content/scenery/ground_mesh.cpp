#include "content/scenery/ground_mesh.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

#include "content/camera/camera_spots.h"
#include "content/scenery/landscape_textures.h"

namespace {

// How far from the centre line each patch size reaches. The road's bed and banks lie within
// the first reach, where the cars and the camera towers see the ground close; the hills
// beyond are smooth at the scale of the larger patches and are seen far off.
constexpr double kGridReach = 3.6;
constexpr double kDoubleReach = 7.5;
constexpr double kQuadrupleReach = 11.0;
constexpr int kLargestPatch = 8;

constexpr double kGrassTile = 3.0;     // world units per repeat of the grass texture
constexpr double kCoverMargin = 0.06;  // the cut keeps this far inside the road's edge
constexpr double kRoadAbove = 0.2;  // the road lies this close above ground it covers (not a deck)
constexpr double kFarFromRoad = 1e6;

int wantedSize(double roadDistance, bool built) {
    if (built || roadDistance < kGridReach) return 1;
    if (roadDistance < kDoubleReach) return 2;
    if (roadDistance < kQuadrupleReach) return 4;
    return kLargestPatch;
}

MeshObject::Vertex groundVertex(const Terrain& t, int i, int j) {
    const int il = std::max(i - 1, 0), ir = std::min(i + 1, t.columns - 1);
    const int jd = std::max(j - 1, 0), ju = std::min(j + 1, t.rows - 1);
    const double dx =
        (t.vertexHeight(ir, j) - t.vertexHeight(il, j)) / ((ir - il) * Terrain::kSpacing);
    const double dy =
        (t.vertexHeight(i, ju) - t.vertexHeight(i, jd)) / ((ju - jd) * Terrain::kSpacing);
    const V3 n = normalized(V3{-dx, -dy, 1.0});
    MeshObject::Vertex v;
    v.x = static_cast<float>(t.originX + i * Terrain::kSpacing);
    v.y = static_cast<float>(t.originY + j * Terrain::kSpacing);
    v.z = static_cast<float>(t.vertexHeight(i, j));
    v.nx = static_cast<float>(n.x);
    v.ny = static_cast<float>(n.y);
    v.nz = static_cast<float>(n.z);
    v.u = static_cast<float>(v.x / kGrassTile);
    v.v = static_cast<float>(v.y / kGrassTile);
    return v;
}

// The height at (px, py) on the triangle abc, each corner given with its height as z; false
// when the point lies outside it.
bool interpolate(const V3& a, const V3& b, const V3& c, double px, double py, double& z) {
    const double det = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
    const double u = ((px - a.x) * (c.y - a.y) - (c.x - a.x) * (py - a.y)) / det;
    const double v = ((b.x - a.x) * (py - a.y) - (px - a.x) * (b.y - a.y)) / det;
    if (u < -1e-9 || v < -1e-9 || u + v > 1.0 + 1e-9) return false;
    z = a.z + u * (b.z - a.z) + v * (c.z - a.z);
    return true;
}

}  // namespace

GroundMesh::GroundMesh(const Circuit& c, const Terrain& t)
    : circuit(c), terrain(t), cellsX(t.columns - 1), cellsY(t.rows - 1) {
    std::vector<int> wanted(static_cast<size_t>(cellsX) * cellsY);
    for (int j = 0; j < cellsY; ++j) {
        for (int i = 0; i < cellsX; ++i) {
            const double x = terrain.originX + (i + 0.5) * Terrain::kSpacing;
            const double y = terrain.originY + (j + 0.5) * Terrain::kSpacing;
            wanted[static_cast<size_t>(j) * cellsX + i] =
                wantedSize(terrain.roadDistance(x, y), inBuiltArea(circuit, x, y));
        }
    }
    patchOfCell.assign(wanted.size(), -1);
    for (int j = 0; j < cellsY; j += kLargestPatch) {
        for (int i = 0; i < cellsX; i += kLargestPatch) split(i, j, kLargestPatch, wanted);
    }
    while (balance()) {
    }
    measureRoadSides();
    for (Patch& patch : patches) {
        const int half = patch.size / 2;
        if (patch.size == 1) continue;
        const int probes[4][2] = {{patch.i, patch.j - 1},
                                  {patch.i + patch.size, patch.j},
                                  {patch.i, patch.j + patch.size},
                                  {patch.i - 1, patch.j}};
        for (int side = 0; side < 4; ++side) {
            if (patchSizeAt(probes[side][0], probes[side][1]) == half)
                patch.halved |= static_cast<uint8_t>(1 << side);
        }
    }
}

void GroundMesh::split(int i, int j, int size, const std::vector<int>& wanted) {
    if (i >= cellsX || j >= cellsY) return;
    bool whole = i + size <= cellsX && j + size <= cellsY;
    for (int b = j; whole && b < j + size; ++b) {
        for (int a = i; whole && a < i + size; ++a)
            whole = wanted[static_cast<size_t>(b) * cellsX + a] >= size;
    }
    if (whole || size == 1) {
        Patch patch;
        patch.i = i, patch.j = j, patch.size = size;
        patches.push_back(patch);
        markCells(patches.size() - 1);
        return;
    }
    const int half = size / 2;
    for (int k = 0; k < 4; ++k) split(i + (k % 2) * half, j + (k / 2) * half, half, wanted);
}

void GroundMesh::markCells(size_t index) {
    const Patch& patch = patches[index];
    for (int b = patch.j; b < patch.j + patch.size; ++b) {
        for (int a = patch.i; a < patch.i + patch.size; ++a)
            patchOfCell[static_cast<size_t>(b) * cellsX + a] = static_cast<int32_t>(index);
    }
}

// 0 beyond the grid's edge.
int GroundMesh::patchSizeAt(int i, int j) const {
    if (i < 0 || j < 0 || i >= cellsX || j >= cellsY) return 0;
    return patches[patchOfCell[static_cast<size_t>(j) * cellsX + i]].size;
}

// Splits every patch that has a neighbour less than half its size; true if any was split.
bool GroundMesh::balance() {
    bool changed = false;
    for (size_t index = 0; index < patches.size(); ++index) {
        const Patch patch = patches[index];
        if (patch.size == 1) continue;
        bool tooCoarse = false;
        for (int k = 0; k < patch.size && !tooCoarse; ++k) {
            const int around[4][2] = {{patch.i + k, patch.j - 1},
                                      {patch.i + patch.size, patch.j + k},
                                      {patch.i + k, patch.j + patch.size},
                                      {patch.i - 1, patch.j + k}};
            for (const auto& cell : around) {
                const int size = patchSizeAt(cell[0], cell[1]);
                tooCoarse = tooCoarse || (size > 0 && size < patch.size / 2);
            }
        }
        if (!tooCoarse) continue;
        const int half = patch.size / 2;
        patches[index].size = half;
        for (int k = 1; k < 4; ++k) {
            Patch child = patch;
            child.i += (k % 2) * half, child.j += (k / 2) * half, child.size = half;
            patches.push_back(child);
            markCells(patches.size() - 1);
        }
        markCells(index);
        changed = true;
    }
    return changed;
}

// The patch's corners and the midpoints of its halved sides, counter-clockwise from above.
std::vector<GroundMesh::GridPoint> GroundMesh::outline(const Patch& patch) const {
    const int s = patch.size, h = s / 2;
    const GridPoint corners[4] = {{patch.i, patch.j},
                                  {patch.i + s, patch.j},
                                  {patch.i + s, patch.j + s},
                                  {patch.i, patch.j + s}};
    const GridPoint middles[4] = {{patch.i + h, patch.j},
                                  {patch.i + s, patch.j + h},
                                  {patch.i + h, patch.j + s},
                                  {patch.i, patch.j + h}};
    std::vector<GridPoint> points;
    for (int side = 0; side < 4; ++side) {
        points.push_back(corners[side]);
        if (patch.halved & (1 << side)) points.push_back(middles[side]);
    }
    return points;
}

// The ground a grid vertex has under the road is the road's when the road lies just above it;
// the bridge's deck, high above the cutting, covers nothing.
void GroundMesh::measureRoadSides() {
    roadSide.assign(static_cast<size_t>(terrain.columns) * terrain.rows, kFarFromRoad);
    for (int j = 0; j < terrain.rows; ++j) {
        for (int i = 0; i < terrain.columns; ++i) {
            const double x = terrain.originX + i * Terrain::kSpacing,
                         y = terrain.originY + j * Terrain::kSpacing;
            if (terrain.roadDistance(x, y) > kSurfaceHalfWidth + Terrain::kSpacing) continue;
            const double ground = terrain.vertexHeight(i, j);
            double nearest = kFarFromRoad;
            for (const CentrePoint& p : circuit.samples) {
                if (p.z >= ground && p.z - ground < kRoadAbove)
                    nearest = std::min(nearest, std::hypot(p.x - x, p.y - y));
            }
            roadSide[static_cast<size_t>(j) * terrain.columns + i] =
                nearest - (kSurfaceHalfWidth - kCoverMargin);
        }
    }
}

double GroundMesh::roadSideAt(const GridPoint& g) const {
    return roadSide[static_cast<size_t>(g.j) * terrain.columns + g.i];
}

double GroundMesh::heightAt(double x, double y) const {
    const double fx = std::clamp((x - terrain.originX) / Terrain::kSpacing, 0.0, cellsX - 0.001);
    const double fy = std::clamp((y - terrain.originY) / Terrain::kSpacing, 0.0, cellsY - 0.001);
    const Patch& patch =
        patches[patchOfCell[static_cast<size_t>(fy) * cellsX + static_cast<size_t>(fx)]];
    auto corner = [&](const GridPoint& g, V3& out) {
        out = V3{double(g.i), double(g.j), terrain.vertexHeight(g.i, g.j)};
    };
    double z = 0.0;
    V3 a, b, c;
    if (!patch.halved) {
        // Split along its (i, j)-(i+s, j+s) diagonal, as the grid's own cells are.
        const int s = patch.size;
        corner({patch.i, patch.j}, a);
        corner({patch.i + s, patch.j + s}, c);
        corner(fx - patch.i >= fy - patch.j ? GridPoint{patch.i + s, patch.j}
                                            : GridPoint{patch.i, patch.j + s},
               b);
        interpolate(a, b, c, fx, fy, z);
        return z;
    }
    const std::vector<GridPoint> points = outline(patch);
    corner({patch.i + patch.size / 2, patch.j + patch.size / 2}, a);
    for (size_t k = 0; k < points.size(); ++k) {
        corner(points[k], b);
        corner(points[(k + 1) % points.size()], c);
        if (interpolate(a, b, c, fx, fy, z)) return z;
    }
    return a.z;
}

// Hands out the vertices of the current grass object, each grid point and each cut along a
// grid edge once, so the pieces on either side of an edge share its points exactly.
class GroundMesh::Sink {
  public:
    Sink(MeshBuilder& b, const Terrain& t) : builder(b), terrain(t) {}

    void start(size_t vertices, size_t faces) {
        MeshObject& next = builder.object(kGrassTextureFile, vertices, faces);
        if (&next != object || next.vertices.empty()) shared.clear();
        object = &next;
    }
    // The point a fraction t of the way from grid point a to grid point b.
    int32_t vertex(const GridPoint& a, const GridPoint& b, double t) {
        const int64_t ka = key(a), kb = key(b);
        if (t <= 0.0 || ka == kb) return point(a, ka);
        if (t >= 1.0) return point(b, kb);
        if (ka > kb) return vertex(b, a, 1.0 - t);
        // Edges take the negative keys, grid points the others.
        const int64_t edge = -(ka * static_cast<int64_t>(terrain.columns) * terrain.rows + kb) - 1;
        const auto found = shared.find(edge);
        if (found != shared.end()) return found->second;
        const MeshObject::Vertex va = groundVertex(terrain, a.i, a.j),
                                 vb = groundVertex(terrain, b.i, b.j);
        auto mix = [t](float p, float q) { return static_cast<float>(p + (q - p) * t); };
        MeshObject::Vertex v{mix(va.x, vb.x), mix(va.y, vb.y), mix(va.z, vb.z), 0, 0, 0,
                             mix(va.u, vb.u), mix(va.v, vb.v)};
        const V3 n = normalized(V3{mix(va.nx, vb.nx), mix(va.ny, vb.ny), mix(va.nz, vb.nz)});
        v.nx = static_cast<float>(n.x), v.ny = static_cast<float>(n.y),
        v.nz = static_cast<float>(n.z);
        return shared[edge] = object->addVertex(v);
    }
    int32_t vertex(const GridPoint& g) { return vertex(g, g, 0.0); }
    void triangle(int32_t a, int32_t b, int32_t c) { object->addTriangle(a, b, c); }

  private:
    int64_t key(const GridPoint& g) const {
        return static_cast<int64_t>(g.j) * terrain.columns + g.i;
    }
    int32_t point(const GridPoint& g, int64_t k) {
        const auto found = shared.find(k);
        if (found != shared.end()) return found->second;
        return shared[k] = object->addVertex(groundVertex(terrain, g.i, g.j));
    }

    MeshBuilder& builder;
    const Terrain& terrain;
    MeshObject* object = nullptr;
    std::map<int64_t, int32_t> shared;  // grid point or edge cut -> vertex of the current object
};

// One grid cell as its two triangles, each with the part under the road cut away along the
// line where the road side passes zero (taken straight along each edge, so a cut edge gets the
// same point from both cells that share it). The pieces lie in the triangles' own planes.
void GroundMesh::addCell(Sink& sink, const Patch& patch) const {
    const GridPoint corners[4] = {{patch.i, patch.j},
                                  {patch.i + 1, patch.j},
                                  {patch.i + 1, patch.j + 1},
                                  {patch.i, patch.j + 1}};
    sink.start(8, 4);
    for (const auto& tri : {std::array<int, 3>{0, 1, 2}, std::array<int, 3>{0, 2, 3}}) {
        std::vector<int32_t> kept;
        for (int k = 0; k < 3; ++k) {
            const GridPoint& a = corners[tri[k]];
            const GridPoint& b = corners[tri[(k + 1) % 3]];
            const double sa = roadSideAt(a), sb = roadSideAt(b);
            if (sa >= 0.0) kept.push_back(sink.vertex(a));
            if ((sa >= 0.0) != (sb >= 0.0)) kept.push_back(sink.vertex(a, b, sa / (sa - sb)));
        }
        for (size_t k = 2; k < kept.size(); ++k) sink.triangle(kept[0], kept[k - 1], kept[k]);
    }
}

void GroundMesh::addPatch(Sink& sink, const Patch& patch) const {
    const std::vector<GridPoint> points = outline(patch);
    const bool fan = points.size() > 4;
    sink.start(points.size() + 1, fan ? points.size() : 2);
    // A vertex is numbered when it is first met, so the order of the vertex() calls is the
    // order of the file's lines: it is written out, last corner first, rather than left to the
    // compiler's order of evaluating arguments (which differs between GCC and Clang).
    if (!fan) {
        for (const auto& corner :
             {std::array<size_t, 3>{0, 1, 2}, std::array<size_t, 3>{0, 2, 3}}) {
            const int32_t c = sink.vertex(points[corner[2]]);
            const int32_t b = sink.vertex(points[corner[1]]);
            const int32_t a = sink.vertex(points[corner[0]]);
            sink.triangle(a, b, c);
        }
        return;
    }
    const int32_t centre = sink.vertex({patch.i + patch.size / 2, patch.j + patch.size / 2});
    for (size_t k = 0; k < points.size(); ++k) {
        const int32_t next = sink.vertex(points[(k + 1) % points.size()]);
        const int32_t here = sink.vertex(points[k]);
        sink.triangle(centre, here, next);
    }
}

void GroundMesh::addTo(MeshBuilder& builder) const {
    std::vector<std::pair<double, size_t>> order;
    for (size_t k = 0; k < patches.size(); ++k) {
        const Patch& p = patches[k];
        const double half = 0.5 * p.size * Terrain::kSpacing;
        order.emplace_back(terrain.roadDistance(terrain.originX + p.i * Terrain::kSpacing + half,
                                                terrain.originY + p.j * Terrain::kSpacing + half),
                           k);
    }
    // Near the road first: the near ground then hides what lies behind it before that is drawn.
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& l, const auto& r) { return l.first < r.first; });
    Sink sink(builder, terrain);
    for (const auto& entry : order) {
        const Patch& patch = patches[entry.second];
        if (patch.size == 1) {
            addCell(sink, patch);
        } else {
            addPatch(sink, patch);
        }
    }
}

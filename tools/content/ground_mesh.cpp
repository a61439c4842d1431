#include "ground_mesh.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "camera_spots.h"
#include "landscape_textures.h"

namespace {

// How far from the centre line each patch size reaches. The road's bed and banks lie within
// the first reach, where the cars and the camera towers see the ground close; the hills
// beyond are smooth at the scale of the larger patches and are seen far off.
constexpr double kGridReach = 3.6;
constexpr double kDoubleReach = 7.5;
constexpr double kQuadrupleReach = 11.0;
constexpr int kLargestPatch = 8;

constexpr double kGrassTile = 3.0;     // world units per repeat of the grass texture
constexpr double kCoverMargin = 0.06;  // kept inside the road's edge, for its chords between stations
constexpr double kRoadAbove = 0.2;     // the road lies this close above ground it covers (not a deck)
constexpr int kSampleStride = 5;       // centre-line samples skipped between coverage tests

int wantedSize(double roadDistance, bool built) {
    if (built || roadDistance < kGridReach) return 1;
    if (roadDistance < kDoubleReach) return 2;
    if (roadDistance < kQuadrupleReach) return 4;
    return kLargestPatch;
}

MeshObject::Vertex groundVertex(const Terrain& t, int i, int j) {
    const int il = std::max(i - 1, 0), ir = std::min(i + 1, t.columns - 1);
    const int jd = std::max(j - 1, 0), ju = std::min(j + 1, t.rows - 1);
    const double dx = (t.vertexHeight(ir, j) - t.vertexHeight(il, j)) / ((ir - il) * Terrain::kSpacing);
    const double dy = (t.vertexHeight(i, ju) - t.vertexHeight(i, jd)) / ((ju - jd) * Terrain::kSpacing);
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

// Linear interpolation over the triangle abc (grid coordinates, heights hz) at p; false when
// p lies outside it.
bool interpolate(const double (&a)[3], const double (&b)[3], const double (&c)[3], double px, double py, double& z) {
    const double det = (b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1]);
    const double u = ((px - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (py - a[1])) / det;
    const double v = ((b[0] - a[0]) * (py - a[1]) - (px - a[0]) * (b[1] - a[1])) / det;
    if (u < -1e-9 || v < -1e-9 || u + v > 1.0 + 1e-9) return false;
    z = a[2] + u * (b[2] - a[2]) + v * (c[2] - a[2]);
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
            wanted[static_cast<size_t>(j) * cellsX + i] = wantedSize(terrain.roadDistance(x, y), inBuiltArea(circuit, x, y));
        }
    }
    patchOfCell.assign(wanted.size(), -1);
    for (int j = 0; j < cellsY; j += kLargestPatch) {
        for (int i = 0; i < cellsX; i += kLargestPatch) split(i, j, kLargestPatch, wanted);
    }
    while (balance()) {
    }
    for (Patch& patch : patches) {
        const int half = patch.size / 2;
        if (patch.size == 1) {
            patch.hidden = underRoad(patch.i, patch.j);
            continue;
        }
        const int probes[4][2] = {{patch.i, patch.j - 1}, {patch.i + patch.size, patch.j}, {patch.i, patch.j + patch.size},
                                  {patch.i - 1, patch.j}};
        for (int side = 0; side < 4; ++side) {
            if (patchSizeAt(probes[side][0], probes[side][1]) == half) patch.halved |= static_cast<uint8_t>(1 << side);
        }
    }
}

void GroundMesh::split(int i, int j, int size, const std::vector<int>& wanted) {
    if (i >= cellsX || j >= cellsY) return;
    bool whole = i + size <= cellsX && j + size <= cellsY;
    for (int b = j; whole && b < j + size; ++b) {
        for (int a = i; whole && a < i + size; ++a) whole = wanted[static_cast<size_t>(b) * cellsX + a] >= size;
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
        for (int a = patch.i; a < patch.i + patch.size; ++a) patchOfCell[static_cast<size_t>(b) * cellsX + a] = static_cast<int32_t>(index);
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
            const int around[4][2] = {{patch.i + k, patch.j - 1}, {patch.i + patch.size, patch.j + k},
                                      {patch.i + k, patch.j + patch.size}, {patch.i - 1, patch.j + k}};
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
    const GridPoint corners[4] = {{patch.i, patch.j}, {patch.i + s, patch.j}, {patch.i + s, patch.j + s}, {patch.i, patch.j + s}};
    const GridPoint middles[4] = {{patch.i + h, patch.j}, {patch.i + s, patch.j + h}, {patch.i + h, patch.j + s}, {patch.i, patch.j + h}};
    std::vector<GridPoint> points;
    for (int side = 0; side < 4; ++side) {
        points.push_back(corners[side]);
        if (patch.halved & (1 << side)) points.push_back(middles[side]);
    }
    return points;
}

// Whether the road surface lies just above every corner, edge midpoint and the centre of
// grid cell (i, j).
bool GroundMesh::underRoad(int i, int j) const {
    const double x0 = terrain.originX + i * Terrain::kSpacing, y0 = terrain.originY + j * Terrain::kSpacing;
    if (terrain.roadDistance(x0 + 0.5 * Terrain::kSpacing, y0 + 0.5 * Terrain::kSpacing) > kSurfaceHalfWidth) return false;
    const double reach = kSurfaceHalfWidth - kCoverMargin;
    for (int k = 0; k < 9; ++k) {
        const double x = x0 + 0.5 * (k % 3) * Terrain::kSpacing, y = y0 + 0.5 * (k / 3) * Terrain::kSpacing;
        const double ground = terrain.vertexHeight(i + (k % 3 + 1) / 2, j + (k / 3 + 1) / 2);
        bool covered = false;
        for (size_t n = 0; n < circuit.samples.size() && !covered; n += kSampleStride) {
            const CentrePoint& p = circuit.samples[n];
            covered = std::hypot(p.x - x, p.y - y) < reach && p.z - ground < kRoadAbove && p.z >= ground;
        }
        if (!covered) return false;
    }
    return true;
}

double GroundMesh::heightAt(double x, double y) const {
    const double fx = std::clamp((x - terrain.originX) / Terrain::kSpacing, 0.0, cellsX - 0.001);
    const double fy = std::clamp((y - terrain.originY) / Terrain::kSpacing, 0.0, cellsY - 0.001);
    const Patch& patch = patches[patchOfCell[static_cast<size_t>(fy) * cellsX + static_cast<size_t>(fx)]];
    auto corner = [&](const GridPoint& g, double (&out)[3]) {
        out[0] = g.i, out[1] = g.j, out[2] = terrain.vertexHeight(g.i, g.j);
    };
    double z = 0.0;
    double a[3], b[3], c[3];
    if (!patch.halved) {
        // Split along its (i, j)-(i+s, j+s) diagonal, as the grid's own cells are.
        const int s = patch.size;
        corner({patch.i, patch.j}, a);
        corner({patch.i + s, patch.j + s}, c);
        corner(fx - patch.i >= fy - patch.j ? GridPoint{patch.i + s, patch.j} : GridPoint{patch.i, patch.j + s}, b);
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
    return a[2];
}

void GroundMesh::addTo(MeshBuilder& builder) const {
    std::vector<std::pair<double, size_t>> order;
    for (size_t k = 0; k < patches.size(); ++k) {
        const Patch& p = patches[k];
        if (p.hidden) continue;
        const double half = 0.5 * p.size * Terrain::kSpacing;
        order.emplace_back(terrain.roadDistance(terrain.originX + p.i * Terrain::kSpacing + half,
                                                terrain.originY + p.j * Terrain::kSpacing + half),
                           k);
    }
    // Near the road first: the near ground then hides what lies behind it before that is drawn.
    std::stable_sort(order.begin(), order.end(), [](const auto& l, const auto& r) { return l.first < r.first; });
    MeshObject* current = nullptr;
    std::map<int64_t, int32_t> shared;  // grid point -> vertex of the current object
    for (const auto& entry : order) {
        const Patch& patch = patches[entry.second];
        const std::vector<GridPoint> points = outline(patch);
        const bool fan = points.size() > 4;
        MeshObject& object = builder.object(kGrassTexture, points.size() + 1, fan ? points.size() : 2);
        if (&object != current || object.vertices.empty()) shared.clear();
        current = &object;
        auto vertex = [&](const GridPoint& g) {
            const int64_t key = static_cast<int64_t>(g.j) * terrain.columns + g.i;
            const auto found = shared.find(key);
            if (found != shared.end()) return found->second;
            return shared[key] = object.addVertex(groundVertex(terrain, g.i, g.j));
        };
        if (!fan) {
            object.addTriangle(vertex(points[0]), vertex(points[1]), vertex(points[2]));
            object.addTriangle(vertex(points[0]), vertex(points[2]), vertex(points[3]));
            continue;
        }
        const int32_t centre = vertex({patch.i + patch.size / 2, patch.j + patch.size / 2});
        for (size_t k = 0; k < points.size(); ++k) {
            object.addTriangle(centre, vertex(points[k]), vertex(points[(k + 1) % points.size()]));
        }
    }
}

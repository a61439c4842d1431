#include "content/cars/car_shape.h"

#include <algorithm>
#include <cmath>

#include "content/cars/car_paint.h"
#include "content/maths/vector.h"

namespace {

constexpr int kHalfRing = 11;         // section points from the bottom centre to the top centre
constexpr int kRing = 2 * kHalfRing;  // closed ring, both sides
constexpr double kLowCabin = 0.07;    // less than this between belt and top: bonnet or deck
constexpr int kWheelSegments = 12;    // a multiple of 4, so one corner stands exactly on z = 0

struct Point2 {
    double x, z;
};

MeshObject::Vertex makeVertex(const V3& p, const V3& n, double u, double v) {
    const V3 unit = normalized(n);
    return {static_cast<float>(p.x),    static_cast<float>(p.y),    static_cast<float>(p.z),
            static_cast<float>(unit.x), static_cast<float>(unit.y), static_cast<float>(unit.z),
            static_cast<float>(u),      static_cast<float>(v)};
}

// The light shines straight down, so a vertical side would get only the ambient share of it
// and read at a quarter of its paint. Like the signs beside the road, the body's sides and
// ends turn their normals halfway up; faces that look down keep theirs, so every corner
// normal still agrees with its face.
V3 liftedToLight(const V3& n) {
    const V3 unit = normalized(n);
    const double across = std::sqrt(unit.x * unit.x + unit.y * unit.y);
    const double lift = across * smoothStep(-0.4, 0.0, unit.z);
    return {unit.x, unit.y, unit.z + lift};
}

// Adds a triangle wound counter-clockwise seen from the side its corner normals face.
void addOutwardTriangle(MeshObject& mesh, int32_t a, int32_t b, int32_t c) {
    const auto& va = mesh.vertices[a];
    const auto& vb = mesh.vertices[b];
    const auto& vc = mesh.vertices[c];
    const V3 face =
        cross(V3{vb.x - va.x, vb.y - va.y, vb.z - va.z}, V3{vc.x - va.x, vc.y - va.y, vc.z - va.z});
    const V3 normal{va.nx + vb.nx + vc.nx, va.ny + vb.ny + vc.ny, va.nz + vb.nz + vc.nz};
    if (dot(face, normal) < 0.0) std::swap(b, c);
    mesh.addTriangle(a, b, c);
}

void texCoord(const CarAtlas& atlas, const AtlasRect& rect, double a, double b, double& u,
              double& v) {
    u = atlas.texS(rect.pixelX(a));
    v = atlas.texT(rect.pixelY(b));
}

// ---- sections ----

void cutArch(CarSection& s, double axle, double centreZ, double radius) {
    const double dy = s.y - axle;
    if (std::fabs(dy) >= radius) return;
    s.bottom = std::max(s.bottom, centreZ + std::sqrt(radius * radius - dy * dy));
}

void roundEnd(CarSection& s, double distance, double radius) {
    if (distance >= radius) return;
    const double d = radius - std::max(0.0, distance);
    const double inset = radius - std::sqrt(std::max(0.0, radius * radius - d * d));
    s.halfWidth -= inset;
    s.beltHalfWidth -= inset;
    s.topHalfWidth -= inset;
    s.top -= inset;
    s.bottom += inset;
}

// Keeps every ring point distinct and in order whatever the profiles ask for.
void keepSane(CarSection& s, double roofEdge) {
    s.shoulder = std::max(s.shoulder, s.bottom + 0.02);
    s.belt = std::max(s.belt, s.shoulder + 0.01);
    s.top = std::max(s.top, s.belt + 0.012);
    s.beltHalfWidth = std::min(s.beltHalfWidth, s.halfWidth);
    s.topHalfWidth = std::min(s.topHalfWidth, s.beltHalfWidth - roofEdge - 0.01);
}

std::vector<Point2> halfRing(const CarSection& s, const CarShape& shape) {
    const double w = s.halfWidth;
    const double a = std::max(0.01, std::min(shape.lowerCorner, 0.45 * w));
    const double b = std::max(0.005, std::min(shape.lowerCorner, 0.6 * (s.shoulder - s.bottom)));
    const double e = std::max(0.004, std::min(shape.roofEdge, 0.45 * (s.top - s.belt)));
    const double tw = s.topHalfWidth;
    const double c = 1.0 - std::sqrt(0.5);
    const Point2 edge{tw + e, s.top - e};
    const Point2 belt{s.beltHalfWidth, s.belt};
    // The side glass bows out a little, as a real one does.
    const double runX = edge.x - belt.x;
    const double runZ = edge.z - belt.z;
    const double run = std::max(1e-9, std::sqrt(runX * runX + runZ * runZ));
    const double bow = std::min(0.006, 0.08 * run);
    const Point2 glass{0.5 * (belt.x + edge.x) + bow * runZ / run,
                       0.5 * (belt.z + edge.z) - bow * runX / run};
    return {{0.0, s.bottom},
            {w - a, s.bottom},
            {w - c * a, s.bottom + c * b},
            {w, s.bottom + b},
            {w, s.shoulder},
            belt,
            glass,
            edge,
            {tw + c * e, s.top - c * e},
            {tw, s.top},
            {0.5 * tw, s.top + 0.75 * s.crown},
            {0.0, s.top + s.crown}};
}

// ---- the lofted shell ----

// A run of ring points that share one texture projection; its ends are hard edges or seams.
enum class Projection { Shadow, SideRight, SideLeft, Top, Front, Rear };

struct Panel {
    int first;  // ring index, may run past kRing (wraps)
    int last;
    bool creaseFirst;
    bool creaseLast;
    Projection projection;
};

const Panel kPanels[] = {
    {kRing - 1, kRing + 1, true, true, Projection::Shadow},
    {1, 5, true, true, Projection::SideRight},
    {5, 7, true, false, Projection::SideRight},
    {7, kRing - 7, false, false, Projection::Top},
    {kRing - 7, kRing - 5, false, true, Projection::SideLeft},
    {kRing - 5, kRing - 1, true, true, Projection::SideLeft},
};

using Grid = std::vector<std::vector<V3>>;  // [section][ring point]

Grid sectionGrid(const CarShape& shape, const std::vector<double>& stations) {
    Grid grid;
    for (double y : stations) {
        const std::vector<Point2> half = halfRing(sectionAt(shape, y), shape);
        std::vector<V3> ring(kRing);
        for (int k = 0; k <= kHalfRing; ++k) ring[k] = {half[k].x, y, half[k].z};
        for (int k = 1; k < kHalfRing; ++k) ring[kRing - k] = {-half[k].x, y, half[k].z};
        grid.push_back(ring);
    }
    return grid;
}

V3 gridNormal(const Grid& grid, int i, int j, const Panel& panel) {
    const int sections = static_cast<int>(grid.size());
    const int before = (j == panel.first && panel.creaseFirst) ? j : j - 1;
    const int after = (j == panel.last && panel.creaseLast) ? j : j + 1;
    const auto at = [&](int section, int index) {
        return grid[section][((index % kRing) + kRing) % kRing];
    };
    const V3 along = at(std::min(i + 1, sections - 1), j) - at(std::max(i - 1, 0), j);
    const V3 around = at(i, after) - at(i, before);
    return cross(along, around);
}

void panelTexCoord(const CarAtlas& atlas, Projection projection, const V3& p, double& u,
                   double& v) {
    switch (projection) {
        case Projection::SideRight:
            return texCoord(atlas, atlas.sideRight, p.y, p.z, u, v);
        case Projection::SideLeft:
            return texCoord(atlas, atlas.sideLeft, p.y, p.z, u, v);
        case Projection::Top:
            return texCoord(atlas, atlas.top, p.y, p.x, u, v);
        case Projection::Front:
            return texCoord(atlas, atlas.front, p.x, p.z, u, v);
        case Projection::Rear:
            return texCoord(atlas, atlas.rear, p.x, p.z, u, v);
        case Projection::Shadow:
            break;
    }
    const AtlasRect& r = atlas.shadow;
    u = atlas.texS(0.5 * (r.x0 + r.x1));
    v = atlas.texT(0.5 * (r.y0 + r.y1));
}

// Sections first..last of one panel; `projection` overrides the panel's own (for the ends).
struct PanelSpan {
    int first;
    int last;
    Projection projection;
};

void addPanel(MeshObject& mesh, const Grid& grid, const Panel& panel, const PanelSpan& span,
              const CarAtlas& atlas) {
    const int width = panel.last - panel.first + 1;
    const int32_t base = static_cast<int32_t>(mesh.vertices.size());
    for (int i = span.first; i <= span.last; ++i) {
        for (int j = panel.first; j <= panel.last; ++j) {
            const V3& p = grid[i][j % kRing];
            double u = 0.0, v = 0.0;
            panelTexCoord(atlas, span.projection, p, u, v);
            mesh.addVertex(makeVertex(p, liftedToLight(gridNormal(grid, i, j, panel)), u, v));
        }
    }
    for (int i = 0; i < span.last - span.first; ++i) {
        for (int k = 0; k + 1 < width; ++k) {
            const int32_t a = base + i * width + k;
            const int32_t b = a + width;
            addOutwardTriangle(mesh, a, b, b + 1);
            addOutwardTriangle(mesh, a, b + 1, a + 1);
        }
    }
}

// The projection of one strip of a panel, between two neighbouring sections. The rounded
// nose and tail take the end faces' projections, so the lamps and bumpers painted there wrap
// round the edges; where there is no cabin the strip above the belt lies almost flat and is
// seen from above. Otherwise the side and plan views would be smeared across those faces.
Projection stripProjection(const Panel& panel, const CarShape& shape, double y0, double y1) {
    if (y1 <= shape.front + shape.endRadius + 1e-9) return Projection::Front;
    if (y0 >= shape.rear - shape.endRadius - 1e-9) return Projection::Rear;
    const bool aboveBelt = panel.first == 5 || panel.last == kRing - 5;
    if (aboveBelt) {
        const CarSection s = sectionAt(shape, 0.5 * (y0 + y1));
        if (s.top - s.belt < kLowCabin) return Projection::Top;
    }
    return panel.projection;
}

void addShell(MeshObject& mesh, const Grid& grid, const std::vector<double>& stations,
              const CarShape& shape, const CarAtlas& atlas) {
    const int strips = static_cast<int>(stations.size()) - 1;
    for (const Panel& panel : kPanels) {
        int first = 0;
        while (first < strips) {
            const Projection projection =
                stripProjection(panel, shape, stations[first], stations[first + 1]);
            int last = first + 1;
            while (last < strips &&
                   stripProjection(panel, shape, stations[last], stations[last + 1]) == projection)
                ++last;
            addPanel(mesh, grid, panel, {first, last, projection}, atlas);
            first = last;
        }
    }
}

// Closes an end of the shell with a flat face fanned from its centre.
void addEndFace(MeshObject& mesh, const std::vector<V3>& ring, double facing, const AtlasRect& rect,
                const CarAtlas& atlas) {
    V3 centre{0.0, ring[0].y, 0.0};
    for (const V3& p : ring) centre.z += p.z / kRing;
    const V3 normal = liftedToLight({0.0, facing, 0.0});
    double u = 0.0, v = 0.0;
    texCoord(atlas, rect, centre.x, centre.z, u, v);
    const int32_t middle = mesh.addVertex(makeVertex(centre, normal, u, v));
    for (const V3& p : ring) {
        texCoord(atlas, rect, p.x, p.z, u, v);
        mesh.addVertex(makeVertex(p, normal, u, v));
    }
    for (int j = 0; j < kRing; ++j)
        addOutwardTriangle(mesh, middle, middle + 1 + j, middle + 1 + (j + 1) % kRing);
}

// ---- wheels ----

struct WheelFrame {
    double outerX;  // x of the outer face
    double side;    // +1 for the right wheels, -1 for the left
    double y;       // axle position
    double radius;
};

V3 wheelPoint(const WheelFrame& w, double x, double r, int segment) {
    const double angle = 2.0 * kPi * segment / kWheelSegments;
    return {x, w.y + r * std::cos(angle), w.radius + r * std::sin(angle)};
}

V3 radialNormal(const WheelFrame& w, int segment, double axial) {
    const double angle = 2.0 * kPi * segment / kWheelSegments;
    return {axial * w.side, std::cos(angle), std::sin(angle)};
}

// A ring of kWheelSegments + 1 vertices (the last repeats the first for the texture seam).
int32_t addWheelRing(MeshObject& mesh, const WheelFrame& w, double x, double r, double axial,
                     double radialWeight, const CarAtlas& atlas, bool onTread, double treadB) {
    const int32_t first = static_cast<int32_t>(mesh.vertices.size());
    for (int k = 0; k <= kWheelSegments; ++k) {
        const V3 p = wheelPoint(w, x, r, k);
        V3 n = radialNormal(w, k, axial);
        n.y *= radialWeight;
        n.z *= radialWeight;
        double u = 0.0, v = 0.0;
        if (onTread) {
            texCoord(atlas, atlas.tread, static_cast<double>(k) / kWheelSegments, treadB, u, v);
        } else {
            const double angle = 2.0 * kPi * k / kWheelSegments;
            // Mirrored on the left so both sides show the rim the same way round.
            texCoord(atlas, atlas.wheel, w.side * std::cos(angle) * r / w.radius,
                     std::sin(angle) * r / w.radius, u, v);
        }
        mesh.addVertex(makeVertex(p, n, u, v));
    }
    return first;
}

void joinRings(MeshObject& mesh, int32_t a, int32_t b) {
    for (int k = 0; k < kWheelSegments; ++k) {
        addOutwardTriangle(mesh, a + k, b + k, b + k + 1);
        addOutwardTriangle(mesh, a + k, b + k + 1, a + k + 1);
    }
}

void fanRing(MeshObject& mesh, const WheelFrame& w, double x, double axial, int32_t ring, double u,
             double v) {
    const int32_t centre =
        mesh.addVertex(makeVertex({x, w.y, w.radius}, {axial * w.side, 0.0, 0.0}, u, v));
    for (int k = 0; k < kWheelSegments; ++k)
        addOutwardTriangle(mesh, centre, ring + k, ring + k + 1);
}

void addWheel(MeshObject& mesh, const WheelFrame& w, double width, const CarAtlas& atlas) {
    const double r = w.radius;
    const double s = w.side;
    const double inner = w.outerX - s * width;
    double u = 0.0, v = 0.0;
    // Outer face: dished rim and the tyre wall out to the tread.
    const int32_t hub =
        addWheelRing(mesh, w, w.outerX - s * 0.006, 0.62 * r, 1.0, 0.0, atlas, false, 0.0);
    texCoord(atlas, atlas.wheel, 0.0, 0.0, u, v);
    fanRing(mesh, w, w.outerX - s * 0.012, 1.0, hub, u, v);
    const int32_t rimEdge =
        addWheelRing(mesh, w, w.outerX - s * 0.006, 0.62 * r, 1.0, 0.0, atlas, false, 0.0);
    const int32_t wall = addWheelRing(mesh, w, w.outerX, r, 1.0, 0.35, atlas, false, 0.0);
    joinRings(mesh, rimEdge, wall);
    // The wall's edge turns straight into the tread, which runs all the way to the inner face;
    // that face is plain and dark.
    const int32_t treadOuter = addWheelRing(mesh, w, w.outerX, r, 0.0, 1.0, atlas, true, 0.0);
    const int32_t treadInner = addWheelRing(mesh, w, inner, r, 0.0, 1.0, atlas, true, 1.0);
    joinRings(mesh, treadOuter, treadInner);
    const AtlasRect& dark = atlas.shadow;
    const int32_t back = addWheelRing(mesh, w, inner, r, -1.0, 0.0, atlas, false, 0.0);
    for (int k = 0; k <= kWheelSegments; ++k) {
        mesh.vertices[back + k].u = static_cast<float>(atlas.texS(0.5 * (dark.x0 + dark.x1)));
        mesh.vertices[back + k].v = static_cast<float>(atlas.texT(0.5 * (dark.y0 + dark.y1)));
    }
    fanRing(mesh, w, inner, -1.0, back, mesh.vertices[back].u, mesh.vertices[back].v);
}

}  // namespace

// ---- ProfileCurve ----

ProfileCurve::ProfileCurve(std::initializer_list<std::pair<double, double>> keys) {
    for (const auto& key : keys) {
        ys.push_back(key.first);
        values.push_back(key.second);
    }
    const size_t n = ys.size();
    std::vector<double> secants(n > 1 ? n - 1 : 0);
    for (size_t i = 0; i + 1 < n; ++i)
        secants[i] = (values[i + 1] - values[i]) / (ys[i + 1] - ys[i]);
    tangents.assign(n, 0.0);
    // Harmonic-mean tangents, zero at a local extremum, so the curve never overshoots.
    for (size_t i = 1; i + 1 < n; ++i) {
        if (secants[i - 1] * secants[i] <= 0.0) continue;
        tangents[i] = 2.0 / (1.0 / secants[i - 1] + 1.0 / secants[i]);
    }
    if (n > 1) {
        tangents[0] = secants[0];
        tangents[n - 1] = secants[n - 2];
    }
}

double ProfileCurve::at(double y) const {
    if (ys.empty()) return 0.0;
    if (y <= ys.front()) return values.front();
    if (y >= ys.back()) return values.back();
    size_t i = 0;
    while (y > ys[i + 1]) ++i;
    const double h = ys[i + 1] - ys[i];
    const double t = (y - ys[i]) / h;
    const double t2 = t * t;
    const double t3 = t2 * t;
    return (2 * t3 - 3 * t2 + 1) * values[i] + (t3 - 2 * t2 + t) * h * tangents[i] +
           (-2 * t3 + 3 * t2) * values[i + 1] + (t3 - t2) * h * tangents[i + 1];
}

// ---- public ----

CarSection sectionAt(const CarShape& shape, double y) {
    CarSection s;
    s.y = y;
    s.bottom = shape.bottom.at(y);
    s.halfWidth = shape.halfWidth.at(y);
    s.shoulder = shape.shoulder.at(y);
    s.belt = shape.belt.at(y);
    s.beltHalfWidth = s.halfWidth - shape.beltInset.at(y);
    s.top = shape.top.at(y);
    s.topHalfWidth = shape.topHalfWidth.at(y);
    s.crown = shape.crown.at(y);
    const double archRadius = shape.wheelRadius + shape.archClearance;
    cutArch(s, shape.frontAxle, shape.wheelRadius, archRadius);
    cutArch(s, shape.rearAxle, shape.wheelRadius - shape.rearArchDrop, archRadius);
    roundEnd(s, std::min(y - shape.front, shape.rear - y), shape.endRadius);
    keepSane(s, shape.roofEdge);
    return s;
}

std::vector<double> sectionStations(const CarShape& shape) {
    std::vector<double> stations;
    const double length = shape.rear - shape.front;
    const int steps = std::max(2, static_cast<int>(std::lround(length / shape.stationSpacing)));
    for (int i = 0; i <= steps; ++i) stations.push_back(shape.front + length * i / steps);
    // The rounded ends and the arch curves need closer sections than the straight runs.
    for (double f : {0.13, 0.5, 1.0}) {
        stations.push_back(shape.front + shape.endRadius * f);
        stations.push_back(shape.rear - shape.endRadius * f);
    }
    const double archRadius = shape.wheelRadius + shape.archClearance;
    for (double axle : {shape.frontAxle, shape.rearAxle}) {
        for (double angle : {-80.0, -60.0, -35.0, 0.0, 35.0, 60.0, 80.0})
            stations.push_back(axle + archRadius * std::sin(angle * kDegree));
    }
    std::sort(stations.begin(), stations.end());
    std::vector<double> kept;
    for (double y : stations) {
        if (kept.empty() || y - kept.back() > 0.012) kept.push_back(y);
    }
    kept.back() = shape.rear;
    return kept;
}

std::vector<double> meshStations(const CarShape& shape, int strips) {
    const std::vector<double> close = sectionStations(shape);
    const Grid grid = sectionGrid(shape, close);
    std::vector<size_t> kept(close.size());
    for (size_t k = 0; k < kept.size(); ++k) kept[k] = k;
    // How far the section at kept[k] stands from the straight loft between its neighbours.
    auto error = [&](size_t k) {
        const size_t a = kept[k - 1], b = kept[k], c = kept[k + 1];
        const double t = (close[b] - close[a]) / (close[c] - close[a]);
        double worst = 0.0;
        for (int j = 0; j < kRing; ++j) {
            const V3& p = grid[b][j];
            const V3 q{grid[a][j].x + t * (grid[c][j].x - grid[a][j].x), p.y,
                       grid[a][j].z + t * (grid[c][j].z - grid[a][j].z)};
            const V3 d = (p - q);
            worst = std::max(worst, dot(d, d));
        }
        return worst;
    };
    while (static_cast<int>(kept.size()) > strips + 1) {
        size_t best = 1;
        double least = error(best);
        for (size_t k = 2; k + 1 < kept.size(); ++k) {
            const double e = error(k);
            if (e < least) best = k, least = e;
        }
        kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(best));
    }
    std::vector<double> stations;
    for (size_t k : kept) stations.push_back(close[k]);
    return stations;
}

size_t bodyFacesPerStrip() {
    size_t quads = 0;
    for (const Panel& panel : kPanels) quads += static_cast<size_t>(panel.last - panel.first);
    return 2 * quads;
}

MeshObject buildBody(const CarShape& shape, const CarAtlas& atlas, size_t maxFaces) {
    MeshObject mesh;
    mesh.name = "body";
    const size_t endFaces = 2 * kRing;
    const int strips =
        static_cast<int>((std::max(maxFaces, endFaces) - endFaces) / bodyFacesPerStrip());
    const std::vector<double> stations = meshStations(shape, std::max(strips, 1));
    const Grid grid = sectionGrid(shape, stations);
    addShell(mesh, grid, stations, shape, atlas);
    addEndFace(mesh, grid.front(), -1.0, atlas.front, atlas);
    addEndFace(mesh, grid.back(), 1.0, atlas.rear, atlas);
    return mesh;
}

MeshObject buildWheels(const CarShape& shape, const CarAtlas& atlas) {
    MeshObject mesh;
    mesh.name = "wheels";
    mesh.texture = "xxx";
    for (double axle : {shape.frontAxle, shape.rearAxle}) {
        const double outer = shape.halfWidth.at(axle) - shape.wheelInset;
        for (double side : {1.0, -1.0})
            addWheel(mesh, {side * outer, side, axle, shape.wheelRadius}, shape.wheelWidth, atlas);
    }
    return mesh;
}

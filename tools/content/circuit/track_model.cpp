#include "content/circuit/track_model.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "content/circuit/track_texture.h"

namespace {

constexpr int kAtlasSize = 512;
constexpr double kAlongPeriod = 2.0;  // world units of road per repeat of the atlas
constexpr double kMaxSegment = 0.7;
constexpr double kMaxSegmentTurn = 0.09;  // radians of heading per segment
constexpr double kGridStretch = 1.0;      // the start column covers the grid +- this

enum Strip { Verge, Kerb, Edge, Road, StartRoad };

// Atlas columns in pixels: [first, last).
struct Column {
    int first;
    int last;
};
constexpr Column kColumns[] = {{0, 64}, {64, 96}, {96, 128}, {128, 384}, {384, 512}};

// Lateral boundaries of the five strips, right verge to left verge (left is positive).
constexpr std::array<double, 6> kLaterals = {
    -kSurfaceHalfWidth, -(kRoadHalfWidth + kKerbWidth), -kRoadHalfWidth,
    kRoadHalfWidth,     kRoadHalfWidth + kKerbWidth,    kSurfaceHalfWidth};

// Texture u across strip `index` (0 = right verge) at fraction t from its right side; the
// outer strips mirror so that both sides of the road look alike.
double stripU(Strip strip, int index, double t) {
    const Column& column = kColumns[strip];
    const double inset = 1.0;
    const double from = column.first + inset;
    const double to = column.last - inset;
    const double across = index < 2 ? 1.0 - t : t;
    const double u =
        strip == Road || strip == StartRoad ? from + (to - from) * t : from + (to - from) * across;
    return u / kAtlasSize;
}

struct Surface {
    const Circuit& circuit;
    double vScale;  // texture repeats per world unit along the road

    explicit Surface(const Circuit& c)
        : circuit(c), vScale(std::round(c.length() / kAlongPeriod) / c.length()) {}

    bool inCorner(double s0, double s1) const {
        for (double s = s0 - 0.8; s <= s1 + 0.8; s += 0.1) {
            if (std::fabs(circuit.at(s).curvature) > 0.12) return true;
        }
        return false;
    }
    bool onGrid(double s) const {
        return std::fabs(circuit.forwardGap(circuit.gridS, s)) < kGridStretch + 1e-6;
    }
    Strip stripAt(int index, double s0, double s1) const {
        if (index == 0 || index == 4) return Verge;
        if (index == 2) return onGrid(0.5 * (s0 + s1)) ? StartRoad : Road;
        return inCorner(s0, s1) ? Kerb : Edge;
    }
    double along(Strip strip, double s) const {
        if (strip == StartRoad)
            return circuit.forwardGap(circuit.gridS - kGridStretch, s) / (2.0 * kGridStretch);
        return s * vScale;
    }
};

// The up-facing normal of the road surface at station s (flat across, sloping along).
void surfaceNormal(const CentrePoint& c, float& nx, float& ny, float& nz) {
    const double tx = c.dirX, ty = c.dirY, tz = c.slope;
    const double lx = -c.dirY, ly = c.dirX;
    double x = ty * 0.0 - tz * ly;
    double y = tz * lx - tx * 0.0;
    double z = tx * ly - ty * lx;
    const double norm = std::sqrt(x * x + y * y + z * z);
    nx = static_cast<float>(x / norm);
    ny = static_cast<float>(y / norm);
    nz = static_cast<float>(z / norm);
}

// One corner of a strip: a plan point with its height, normal and texture coordinates.
MeshObject::Vertex corner(const PlanPoint& p, const CentrePoint& c, double u, double v) {
    MeshObject::Vertex vertex;
    vertex.x = static_cast<float>(p.x);
    vertex.y = static_cast<float>(p.y);
    vertex.z = static_cast<float>(c.z);
    surfaceNormal(c, vertex.nx, vertex.ny, vertex.nz);
    vertex.u = static_cast<float>(u);
    vertex.v = static_cast<float>(v);
    return vertex;
}

void addQuad(MeshObject& object, const MeshObject::Vertex& a, const MeshObject::Vertex& b,
             const MeshObject::Vertex& c, const MeshObject::Vertex& d) {
    const int32_t ia = object.addVertex(a);
    const int32_t ib = object.addVertex(b);
    const int32_t ic = object.addVertex(c);
    const int32_t id = object.addVertex(d);
    object.addTriangle(ia, ib, ic);
    object.addTriangle(ia, ic, id);
}

}  // namespace

namespace {

using Section = std::array<PlanPoint, 6>;

// Plan point of the crossing square: `a` along the lower pass from the crossing, `b` to its
// left. The bridge pass runs along the lower pass's left, so its station offset is b and its
// lateral is -a; both levels take their corners from here and so share them to the bit.
PlanPoint crossingPoint(const Circuit& circuit, double a, double b) {
    return circuit.offsetPoint(circuit.lowerCrossingS + a, b);
}

// The six lateral points of the cross-section at station s. Where a bridge segment meets the
// crossing square it takes the square's own corners, so that no crack opens between them.
Section sectionAt(const Circuit& circuit, double s) {
    Section points;
    const double fromBridge = circuit.forwardGap(circuit.upperCrossingS, s);
    const bool bridgeEdge = std::fabs(std::fabs(fromBridge) - kSurfaceHalfWidth) < 1e-9;
    for (size_t i = 0; i < points.size(); ++i) {
        points[i] = bridgeEdge ? crossingPoint(circuit, -kLaterals[i], fromBridge)
                               : circuit.offsetPoint(s, kLaterals[i]);
    }
    return points;
}

void addSegment(MeshObject& object, const Surface& surface, double s0, double s1) {
    const Circuit& circuit = surface.circuit;
    const CentrePoint c0 = circuit.at(s0);
    const CentrePoint c1 = circuit.at(s1);
    const Section p0 = sectionAt(circuit, s0);
    const Section p1 = sectionAt(circuit, s1);
    for (int i = 0; i < 5; ++i) {
        const Strip strip = surface.stripAt(i, s0, s1);
        const double uRight = stripU(strip, i, 0.0);
        const double uLeft = stripU(strip, i, 1.0);
        const double v0 = surface.along(strip, s0);
        const double v1 =
            v0 + (s1 - s0) * (strip == StartRoad ? 0.5 / kGridStretch : surface.vScale);
        addQuad(object, corner(p0[i], c0, uRight, v0), corner(p1[i], c1, uRight, v1),
                corner(p1[i + 1], c1, uLeft, v1), corner(p0[i + 1], c0, uLeft, v0));
    }
}

// Stations where a segment must end: the edges of the crossing square on both passes and
// the ends of the grid stretch.
std::vector<double> fixedStations(const Circuit& circuit) {
    std::vector<double> stations = {circuit.lowerCrossingS - kSurfaceHalfWidth,
                                    circuit.lowerCrossingS + kSurfaceHalfWidth,
                                    circuit.upperCrossingS - kSurfaceHalfWidth,
                                    circuit.upperCrossingS + kSurfaceHalfWidth,
                                    circuit.gridS - kGridStretch,
                                    circuit.gridS + kGridStretch};
    for (double& s : stations) s = circuit.wrap(s);
    std::sort(stations.begin(), stations.end());
    return stations;
}

bool insideCrossing(const Circuit& circuit, double s) {
    return std::fabs(circuit.forwardGap(circuit.lowerCrossingS, s)) < kSurfaceHalfWidth ||
           std::fabs(circuit.forwardGap(circuit.upperCrossingS, s)) < kSurfaceHalfWidth;
}

int segmentsFor(const Circuit& circuit, double s0, double s1) {
    double turn = 0.0;
    for (double s = s0; s < s1; s += 0.05)
        turn += std::fabs(circuit.at(s).curvature) * std::min(0.05, s1 - s);
    const int byLength = static_cast<int>(std::ceil((s1 - s0) / kMaxSegment));
    const int byTurn = static_cast<int>(std::ceil(turn / kMaxSegmentTurn));
    return std::max(1, std::max(byLength, byTurn));
}

// Every regular segment of the loop, outside the crossing square, in order of station.
std::vector<std::pair<double, double>> segmentSpans(const Circuit& circuit) {
    const std::vector<double> fixed = fixedStations(circuit);
    std::vector<std::pair<double, double>> spans;
    for (size_t i = 0; i < fixed.size(); ++i) {
        const double s0 = fixed[i];
        const double s1 = i + 1 < fixed.size() ? fixed[i + 1] : fixed[0] + circuit.length();
        if (insideCrossing(circuit, 0.5 * (s0 + s1))) continue;
        const int count = segmentsFor(circuit, s0, s1);
        for (int k = 0; k < count; ++k) {
            const double a = s0 + (s1 - s0) * k / count;
            const double b = k + 1 == count ? s1 : s0 + (s1 - s0) * (k + 1) / count;
            spans.emplace_back(a, b);
        }
    }
    return spans;
}

}  // namespace

std::vector<std::pair<double, double>> roadSegments(const Circuit& circuit) {
    std::vector<std::pair<double, double>> spans = segmentSpans(circuit);
    for (double middle : {circuit.lowerCrossingS, circuit.upperCrossingS}) {
        spans.emplace_back(middle - kSurfaceHalfWidth, middle + kSurfaceHalfWidth);
    }
    return spans;
}

namespace {

// One cell of the crossing on one level; `lower` picks the pass.
std::array<MeshObject::Vertex, 4> crossingCell(const Surface& surface, int i, int j, bool lower) {
    const Circuit& circuit = surface.circuit;
    const double a[2] = {kLaterals[i], kLaterals[i + 1]};
    const double b[2] = {kLaterals[j], kLaterals[j + 1]};
    const int strip = lower ? j : 4 - i;
    const double middle = lower ? circuit.lowerCrossingS : circuit.upperCrossingS;
    const Strip kind = surface.stripAt(strip, middle, middle);
    std::array<MeshObject::Vertex, 4> out;
    const int order[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int k = 0; k < 4; ++k) {
        const double ak = a[order[k][0]], bk = b[order[k][1]];
        const double station = lower ? circuit.lowerCrossingS + ak : circuit.upperCrossingS + bk;
        const double lateral = lower ? bk : -ak;
        const double t = (lateral - kLaterals[strip]) / (kLaterals[strip + 1] - kLaterals[strip]);
        out[k] = corner(crossingPoint(circuit, ak, bk), circuit.at(station), stripU(kind, strip, t),
                        surface.along(kind, station));
    }
    return out;
}

MeshObject crossingObject(const Surface& surface) {
    MeshObject object;
    object.name = "crossing";
    object.texture = kTrackTextureFile;
    for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 5; ++j) {
            const auto low = crossingCell(surface, i, j, true);
            const auto high = crossingCell(surface, i, j, false);
            int32_t l[4], h[4];
            for (int k = 0; k < 4; ++k) {
                l[k] = object.addVertex(low[k]);
                h[k] = object.addVertex(high[k]);
            }
            object.addTriangle(l[0], l[1], l[2]);
            object.addTriangle(h[0], h[1], h[2]);
            object.addTriangle(l[0], l[2], l[3]);
            object.addTriangle(h[0], h[2], h[3]);
        }
    }
    return object;
}

}  // namespace

std::vector<MeshObject> buildTrackModel(const Circuit& circuit) {
    const Surface surface(circuit);
    std::vector<MeshObject> objects = {crossingObject(surface)};
    constexpr size_t kSegmentsPerObject = 120;
    const auto spans = segmentSpans(circuit);
    for (size_t i = 0; i < spans.size(); ++i) {
        if (i % kSegmentsPerObject == 0) {
            objects.emplace_back();
            objects.back().name = "road" + std::to_string(objects.size() - 1);
            objects.back().texture = "xxx";
        }
        addSegment(objects.back(), surface, spans[i].first, spans[i].second);
    }
    return objects;
}

bool writeTrack(const ContentSink& sink, const Circuit& circuit, std::string& error) {
    return sink.writeModel(kTrackModelFile, buildTrackModel(circuit), kTrackTriangleBudget,
                           error) &&
           sink.writeBitmap(kTrackTextureFile, paintTrackTexture(), error);
}

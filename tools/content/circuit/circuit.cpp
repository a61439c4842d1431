#include "content/circuit/circuit.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "content/maths/vector.h"

namespace {

// A stretch of centre line whose curvature runs linearly from k0 to k1.
struct Piece {
    double length;
    double k0;
    double k1;
};

struct Pose {
    double x;
    double y;
    double theta;  // direction of travel, radians from +x
};

void addStraight(std::vector<Piece>& pieces, double length) {
    pieces.push_back(Piece{length, 0.0, 0.0});
}

// A corner of `degrees` (positive left) on `radius`, eased in and out over `transition`
// so that the curvature, and with it a car's turn rate, never jumps.
void addTurn(std::vector<Piece>& pieces, double degrees, double radius, double transition) {
    const double k = (degrees > 0.0 ? 1.0 : -1.0) / radius;
    const double arc = std::fabs(degrees) * kDegree * radius - transition;
    pieces.push_back(Piece{transition, 0.0, k});
    pieces.push_back(Piece{std::max(arc, 0.0), k, k});
    pieces.push_back(Piece{transition, k, 0.0});
}

// Follows the pieces from a pose with a fine midpoint rule; the heading is integrated exactly.
Pose follow(const std::vector<Piece>& pieces, Pose pose) {
    constexpr double kFine = 0.002;
    for (const Piece& piece : pieces) {
        const int steps = std::max(1, static_cast<int>(std::ceil(piece.length / kFine)));
        const double h = piece.length / steps;
        for (int i = 0; i < steps; ++i) {
            const double ka = piece.k0 + (piece.k1 - piece.k0) * (i / static_cast<double>(steps));
            const double kb =
                piece.k0 + (piece.k1 - piece.k0) * ((i + 1) / static_cast<double>(steps));
            const double mid = pose.theta + h * 0.5 * (ka + 0.5 * (ka + kb)) * 0.5;
            pose.x += h * std::cos(mid);
            pose.y += h * std::sin(mid);
            pose.theta += h * 0.5 * (ka + kb);
        }
    }
    return pose;
}

// One loop of the eight, between the two crossing straights, with two straights whose
// lengths are solved so that the loop ends exactly at `target`.
struct Lobe {
    std::vector<Piece> pieces;
    int firstUnknown;
    int secondUnknown;
};

// The end point is linear in the two unknown straight lengths, so three runs solve it. The
// layout is fixed, so the solution is too; a loop that failed to close would leave a gap in
// the road, which the content test's replayed laps would fall into.
void closeLobe(Lobe& lobe, const Pose& from, const Pose& target) {
    auto endAt = [&](double a, double b) {
        lobe.pieces[lobe.firstUnknown].length = a;
        lobe.pieces[lobe.secondUnknown].length = b;
        return follow(lobe.pieces, from);
    };
    const Pose base = endAt(1.0, 1.0);
    const Pose da = endAt(2.0, 1.0);
    const Pose db = endAt(1.0, 2.0);
    const double ax = da.x - base.x, ay = da.y - base.y;
    const double bx = db.x - base.x, by = db.y - base.y;
    const double det = ax * by - ay * bx;
    const double ex = target.x - base.x, ey = target.y - base.y;
    const double a = 1.0 + (ex * by - ey * bx) / det;
    const double b = 1.0 + (ax * ey - ay * ex) / det;
    endAt(a, b);
}

constexpr double kCrossingHalf = 2.0;  // straight and level this far either side of the crossing
constexpr double kLowerTheta = 45.0 * kDegree;
constexpr double kUpperTheta = 135.0 * kDegree;

// Right-hand loop, after the main straight has run under the bridge: a slow right, a short
// straight, a long right, the climb with a kink and the long bend up onto the bridge.
Lobe rightLobe() {
    Lobe lobe;
    std::vector<Piece>& p = lobe.pieces;
    lobe.firstUnknown = static_cast<int>(p.size());
    addStraight(p, 1.0);
    addTurn(p, -90.0, 1.5, 0.6);
    lobe.secondUnknown = static_cast<int>(p.size());
    addStraight(p, 1.0);
    addTurn(p, -90.0, 2.1, 0.8);
    addStraight(p, 1.0);
    addTurn(p, -45.0, 2.6, 0.7);
    addTurn(p, 25.0, 2.4, 0.5);
    addTurn(p, -25.0, 2.4, 0.5);
    addStraight(p, 0.2);
    addTurn(p, -45.0, 3.5, 0.8);
    return lobe;
}

// Left-hand loop, after the bridge: a crest, a tight left, esses down the far side and the
// long left onto the main straight, which runs through the grid and under the bridge.
Lobe leftLobe() {
    Lobe lobe;
    std::vector<Piece>& p = lobe.pieces;
    addTurn(p, 45.0, 3.0, 0.8);
    lobe.firstUnknown = static_cast<int>(p.size());
    addStraight(p, 3.0);
    addTurn(p, 100.0, 1.5, 0.6);
    addTurn(p, -35.0, 2.2, 0.5);
    addTurn(p, 25.0, 2.2, 0.5);
    addStraight(p, 0.4);
    addTurn(p, 45.0, 2.8, 0.7);
    addStraight(p, 0.1);
    addTurn(p, 90.0, 2.2, 0.7);
    lobe.secondUnknown = static_cast<int>(p.size());
    addStraight(p, 1.0);
    return lobe;
}

Pose onLine(double theta, double along) {
    return Pose{along * std::cos(theta), along * std::sin(theta), theta};
}

// The whole loop, starting where the lower straight begins; notes where the upper crossing
// straight starts.
std::vector<Piece> layout(int& upperIndex) {
    Lobe right = rightLobe();
    Lobe left = leftLobe();
    closeLobe(right, onLine(kLowerTheta, kCrossingHalf), onLine(kUpperTheta, -kCrossingHalf));
    closeLobe(left, onLine(kUpperTheta, kCrossingHalf), onLine(kLowerTheta, -kCrossingHalf));
    std::vector<Piece> pieces;
    addStraight(pieces, 2.0 * kCrossingHalf);
    pieces.insert(pieces.end(), right.pieces.begin(), right.pieces.end());
    upperIndex = static_cast<int>(pieces.size());
    addStraight(pieces, 2.0 * kCrossingHalf);
    pieces.insert(pieces.end(), left.pieces.begin(), left.pieces.end());
    return pieces;
}

}  // namespace

namespace {

// Samples the loop every kStep, with curvature, from the start of the lower straight.
void sampleLoop(const std::vector<Piece>& pieces, Circuit& circuit) {
    constexpr int kSub = 5;
    double s = 0.0;
    double x = -kCrossingHalf * std::cos(kLowerTheta);
    double y = -kCrossingHalf * std::sin(kLowerTheta);
    double theta = kLowerTheta;
    double nextSample = 0.0;
    auto record = [&](double k) {
        CentrePoint point;
        point.s = s;
        point.x = x;
        point.y = y;
        point.dirX = std::cos(theta);
        point.dirY = std::sin(theta);
        point.curvature = k;
        circuit.samples.push_back(point);
        nextSample = circuit.samples.size() * Circuit::kStep;
    };
    for (const Piece& piece : pieces) {
        const int steps =
            std::max(1, static_cast<int>(std::ceil(piece.length / (Circuit::kStep / kSub))));
        const double h = piece.length / steps;
        for (int i = 0; i < steps; ++i) {
            const double ka = piece.k0 + (piece.k1 - piece.k0) * (i / static_cast<double>(steps));
            const double kb =
                piece.k0 + (piece.k1 - piece.k0) * ((i + 1) / static_cast<double>(steps));
            if (s >= nextSample - 1e-9) record(ka);
            const double mid = theta + h * 0.5 * (ka + 0.5 * (ka + kb)) * 0.5;
            x += h * std::cos(mid);
            y += h * std::sin(mid);
            theta += h * 0.5 * (ka + kb);
            s += h;
        }
    }
    circuit.totalLength = s;
}

// Smooth periodic height profile through (station, height) keys: each span eases in and
// out with a half cosine, so pairs of equal keys make level stretches.
struct HeightKey {
    double s;
    double z;
};

void applyHeights(Circuit& circuit, std::vector<HeightKey> keys) {
    if (keys.empty()) return;
    for (HeightKey& key : keys) key.s = circuit.wrap(key.s);
    std::sort(keys.begin(), keys.end(),
              [](const HeightKey& a, const HeightKey& b) { return a.s < b.s; });
    const double length = circuit.length();
    for (CentrePoint& point : circuit.samples) {
        size_t next = 0;
        while (next < keys.size() && keys[next].s <= point.s) ++next;
        const HeightKey& a = next == 0 ? keys.back() : keys[next - 1];
        const HeightKey& b = next == keys.size() ? keys.front() : keys[next];
        double span = b.s - a.s;
        double into = point.s - a.s;
        if (span <= 0.0) span += length;
        if (into < 0.0) into += length;
        const double t = into / span;
        point.z = a.z + (b.z - a.z) * 0.5 * (1.0 - std::cos(kPi * t));
        point.slope = (b.z - a.z) * 0.5 * kPi * std::sin(kPi * t) / span;
    }
}

}  // namespace

double Circuit::wrap(double s) const {
    s = std::fmod(s, totalLength);
    return s < 0.0 ? s + totalLength : s;
}

CentrePoint Circuit::at(double s) const {
    s = wrap(s);
    const size_t count = samples.size();
    size_t i = std::min(static_cast<size_t>(s / kStep), count - 1);
    const CentrePoint& a = samples[i];
    const CentrePoint& b = samples[(i + 1) % count];
    const double span = i + 1 == count ? totalLength - a.s : b.s - a.s;
    const double t = span > 0.0 ? (s - a.s) / span : 0.0;
    CentrePoint out;
    out.s = s;
    out.x = a.x + (b.x - a.x) * t;
    out.y = a.y + (b.y - a.y) * t;
    out.z = a.z + (b.z - a.z) * t;
    const double dx = a.dirX + (b.dirX - a.dirX) * t;
    const double dy = a.dirY + (b.dirY - a.dirY) * t;
    const double norm = std::sqrt(dx * dx + dy * dy);
    out.dirX = dx / norm;
    out.dirY = dy / norm;
    out.curvature = a.curvature + (b.curvature - a.curvature) * t;
    out.slope = a.slope + (b.slope - a.slope) * t;
    return out;
}

PlanPoint Circuit::offsetPoint(double s, double lateral) const {
    const CentrePoint c = at(s);
    return PlanPoint{c.x - c.dirY * lateral, c.y + c.dirX * lateral};
}

void Circuit::locate(double x, double y, double sGuess, double window, double& s,
                     double& lateral) const {
    double best = 1e30;
    double bestS = sGuess;
    for (double probe = sGuess - window; probe <= sGuess + window; probe += kStep) {
        const CentrePoint c = at(probe);
        const double d = (x - c.x) * (x - c.x) + (y - c.y) * (y - c.y);
        if (d < best) {
            best = d;
            bestS = probe;
        }
    }
    // The nearest station is where the offset is square to the direction of travel.
    const CentrePoint c = at(bestS);
    const double along = (x - c.x) * c.dirX + (y - c.y) * c.dirY;
    s = wrap(bestS + along);
    const CentrePoint d = at(s);
    lateral = -(x - d.x) * d.dirY + (y - d.y) * d.dirX;
}

double Circuit::forwardGap(double a, double b) const {
    double gap = std::fmod(b - a, totalLength);
    if (gap > totalLength * 0.5) gap -= totalLength;
    if (gap < -totalLength * 0.5) gap += totalLength;
    return gap;
}

namespace {

// The main straight is the lower crossing pass: the design is turned so that it runs
// toward world -y and moved so that the grid lands on the origin.
void placeOnGrid(Circuit& circuit) {
    constexpr double kTurn = -90.0 * kDegree - kLowerTheta;
    const double c = std::cos(kTurn), s = std::sin(kTurn);
    for (CentrePoint& point : circuit.samples) {
        const double x = point.x * c - point.y * s;
        const double y = point.x * s + point.y * c;
        const double dx = point.dirX * c - point.dirY * s;
        const double dy = point.dirX * s + point.dirY * c;
        point.x = x;
        point.y = y;
        point.dirX = dx;
        point.dirY = dy;
    }
    const CentrePoint grid = circuit.at(circuit.gridS);
    const double shiftX = kGridCentreX - grid.x;
    const double shiftY = -grid.y;
    for (CentrePoint& point : circuit.samples) {
        point.x += shiftX;
        point.y += shiftY;
    }
    circuit.crossing = PlanPoint{shiftX, shiftY};
}

constexpr double kGridToCrossing = 5.2;

// Level along the grid and under the bridge, down into the first corner, a long climb up the
// far side onto the bridge, a crest beyond it and the drop back to the grid.
std::vector<HeightKey> heightKeys(const Circuit& circuit) {
    const double lower = circuit.lowerCrossingS;
    const double upper = circuit.upperCrossingS;
    const double flat = circuit.crossingFlatHalf;
    return {
        {circuit.gridS - 2.5, 0.0}, {lower + flat, 0.0},  {lower + 8.5, -0.25},
        {lower + 14.0, -0.25},      {lower + 22.5, 0.38}, {lower + 25.5, 0.36},
        {upper - flat, 0.55},       {upper + flat, 0.55}, {upper + 6.5, 0.75},
        {upper + 13.0, 0.15},       {upper + 16.5, 0.28},
    };
}

}  // namespace

Circuit buildCircuit() {
    int upperIndex = 0;
    const std::vector<Piece> pieces = layout(upperIndex);
    Circuit circuit;
    sampleLoop(pieces, circuit);
    double upperStart = 0.0;
    for (int i = 0; i < upperIndex; ++i) upperStart += pieces[i].length;
    circuit.crossingFlatHalf = kCrossingHalf;
    circuit.lowerCrossingS = kCrossingHalf;
    circuit.upperCrossingS = upperStart + kCrossingHalf;
    circuit.gridS = circuit.wrap(circuit.lowerCrossingS - kGridToCrossing);
    circuit.startLineS = circuit.gridS + 0.55;
    placeOnGrid(circuit);
    applyHeights(circuit, heightKeys(circuit));
    return circuit;
}

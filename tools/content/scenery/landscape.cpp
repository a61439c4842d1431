#include "content/scenery/landscape.h"

#include <algorithm>
#include <cmath>

#include "content/camera/camera_spots.h"
#include "content/circuit/track_model.h"
#include "content/maths/random.h"
#include "content/scenery/ground_mesh.h"
#include "content/scenery/landscape_textures.h"
#include "content/scenery/mesh_shapes.h"

namespace {

constexpr double kSkirtDepth = 0.4;
constexpr double kDeckDepth = 0.1;
constexpr double kParapetHeight = 0.1;
constexpr double kParapetThickness = 0.05;
constexpr double kBoardHeight = 0.16;
constexpr double kBoardLength = 0.9;

V3 sideOf(const Circuit& circuit, double s, double lateral, double z) {
    const PlanPoint p = circuit.offsetPoint(s, lateral);
    return V3{p.x, p.y, z};
}

MeshObject::Vertex vertexOf(const V3& p, const V3& n, const Uv& uv) {
    MeshObject::Vertex v;
    v.x = static_cast<float>(p.x), v.y = static_cast<float>(p.y), v.z = static_cast<float>(p.z);
    v.nx = static_cast<float>(n.x), v.ny = static_cast<float>(n.y), v.nz = static_cast<float>(n.z);
    v.u = static_cast<float>(uv.u), v.v = static_cast<float>(uv.v);
    return v;
}

// A quad with a chosen normal for all four corners. Signs and stands face the track with
// their normals lifted halfway to the light above, so that they read under it.
void quadWithNormal(MeshObject& object, const V3 (&p)[4], const Uv (&uv)[4], const V3& normal) {
    int32_t index[4];
    for (int k = 0; k < 4; ++k) index[k] = object.addVertex(vertexOf(p[k], normal, uv[k]));
    object.addTriangle(index[0], index[1], index[2]);
    object.addTriangle(index[0], index[2], index[3]);
}

// The normal toward someone who sees bottomLeft on their left, lifted halfway up.
V3 liftedFacing(const V3& bottomLeft, const V3& bottomRight) {
    const V3 along = bottomRight - bottomLeft;
    return normalized(normalized(V3{along.y, -along.x, 0.0}) + V3{0.0, 0.0, 1.0});
}

// An upright sign between two base points from zLow to zHigh, showing banner row `row`
// (half of the atlas row: `half` 0 or 1). The name reads left to right for someone facing
// the sign with `from` on their left; a second face back to back reads from behind.
void addSign(MeshBuilder& builder, const V3& from, const V3& to, double zLow, double zHigh, int row,
             int half) {
    MeshObject& object = builder.object(kBannerTexture, 8, 4);
    const double v0 = 1.0 - (row + 1.0) / kBannerRows,
                 v1 = 1.0 - static_cast<double>(row) / kBannerRows;
    const double u0 = 0.5 * half, u1 = u0 + 0.5;
    const V3 facing = liftedFacing(from, to);
    const V3 back = normalized(V3{-facing.x, -facing.y, 0.0}) * 0.006;
    const Uv uv[4] = {{u0, v0 + 0.004}, {u1, v0 + 0.004}, {u1, v1 - 0.004}, {u0, v1 - 0.004}};
    const V3 front[4] = {
        {from.x, from.y, zLow}, {to.x, to.y, zLow}, {to.x, to.y, zHigh}, {from.x, from.y, zHigh}};
    quadWithNormal(object, front, uv, facing);
    const V3 rear[4] = {front[1] + back, front[0] + back, front[3] + back, front[2] + back};
    quadWithNormal(object, rear, uv, liftedFacing(to, from));
}

// The stretch of the upper pass that stands clear of the ground: the bridge deck.
struct DeckSpan {
    double from = 0.0, to = 0.0;
};

DeckSpan findDeck(const Circuit& circuit, const Terrain& terrain) {
    DeckSpan span{circuit.upperCrossingS, circuit.upperCrossingS};
    auto clear = [&](double s) {
        const CentrePoint c = circuit.at(s);
        for (double lateral : {-kSurfaceHalfWidth, 0.0, kSurfaceHalfWidth}) {
            const V3 p = sideOf(circuit, s, lateral, 0.0);
            if (c.z - terrain.heightAt(p.x, p.y) > 0.2) return true;
        }
        return false;
    };
    while (clear(span.from - 0.05)) span.from -= 0.05;
    while (clear(span.to + 0.05)) span.to += 0.05;
    return span;
}

bool onDeck(const Circuit& circuit, const DeckSpan& deck, double s) {
    const double gap = circuit.forwardGap(deck.from, s);
    return gap >= 0.0 && gap <= deck.to - deck.from;
}

// The road's bed: grass banks from the verge edges out and down into the ground, so the
// road never seems to float. Over the bridge the deck's own edge takes their place.
void addSkirts(MeshBuilder& builder, const Circuit& circuit, const Terrain& terrain,
               const DeckSpan& deck) {
    constexpr double kGrassTile = 3.0;
    for (const auto& [s, s1] : roadSegments(circuit)) {
        if (onDeck(circuit, deck, s) || onDeck(circuit, deck, s1)) continue;
        const double z0 = circuit.at(s).z, z1 = circuit.at(s1).z;
        for (double side : {-1.0, 1.0}) {
            const V3 a = sideOf(circuit, s, side * kSurfaceHalfWidth, z0);
            const V3 b = sideOf(circuit, s1, side * kSurfaceHalfWidth, z1);
            // The foot of the bank lies out as far as it lies down, and a little into the ground.
            auto foot = [&](double station, double z) {
                double depth = 0.05;
                for (int k = 0; k < 3; ++k) {
                    const V3 p = sideOf(circuit, station, side * (kSurfaceHalfWidth + depth), 0.0);
                    depth = std::clamp(z - terrain.heightAt(p.x, p.y) + 0.03, 0.05, kSkirtDepth);
                }
                return sideOf(circuit, station, side * (kSurfaceHalfWidth + depth), z - depth);
            };
            const V3 footA = foot(s, z0), footB = foot(s1, z1);
            MeshObject& object = builder.object(kGrassTexture, 4, 2);
            // Wound to face out from the road whichever side it is on.
            const V3 p[4] = {side < 0 ? footA : footB, side < 0 ? footB : footA, side < 0 ? b : a,
                             side < 0 ? a : b};
            addFlatQuad(object, p[0], p[1], p[2], p[3], {p[0].x / kGrassTile, p[0].y / kGrassTile},
                        {p[1].x / kGrassTile, p[1].y / kGrassTile},
                        {p[2].x / kGrassTile, p[2].y / kGrassTile},
                        {p[3].x / kGrassTile, p[3].y / kGrassTile});
        }
    }
}

// Deck underside, deck edges and the parapets, stepping along the span.
void addDeck(MeshBuilder& builder, const Circuit& circuit, const DeckSpan& deck) {
    constexpr double kStep = 0.2;
    const double edge = kSurfaceHalfWidth + kParapetThickness;
    for (double s = deck.from - 1.0; s < deck.to + 1.0 - 1e-9; s += kStep) {
        const double s1 = s + kStep;
        const double z0 = circuit.at(s).z, z1 = circuit.at(s1).z;
        MeshObject& object = builder.object(kConcreteTexture, 28, 14);
        for (double side : {-1.0, 1.0}) {
            const V3 in0 = sideOf(circuit, s, side * kSurfaceHalfWidth, z0),
                     in1 = sideOf(circuit, s1, side * kSurfaceHalfWidth, z1);
            const V3 out0 = sideOf(circuit, s, side * edge, z0),
                     out1 = sideOf(circuit, s1, side * edge, z1);
            const V3 up{0, 0, kParapetHeight};
            addFlatQuad(object, in0, in1, in1 + up, in0 + up, {0, 0}, {kStep, 0}, {kStep, 0.1},
                        {0, 0.1});
            addFlatQuad(object, in0 + up, in1 + up, out1 + up, out0 + up, {0, 0}, {kStep, 0},
                        {kStep, 0.05}, {0, 0.05});
            const V3 down{0, 0, -kDeckDepth};
            addFlatQuad(object, out0 + down, out1 + down, out1 + up, out0 + up, {0, 0}, {kStep, 0},
                        {kStep, 0.2}, {0, 0.2});
        }
        if (!onDeck(circuit, deck, s) || !onDeck(circuit, deck, s1)) continue;
        const V3 down{0, 0, -kDeckDepth};
        addFlatQuad(object, sideOf(circuit, s, edge, z0) + down,
                    sideOf(circuit, s1, edge, z1) + down, sideOf(circuit, s1, -edge, z1) + down,
                    sideOf(circuit, s, -edge, z0) + down, {0, 0}, {kStep, 0}, {kStep, 1.8},
                    {0, 1.8});
    }
}

// Walls under both ends of the deck, down into the cutting, and the sponsors' names on both
// faces of the bridge.
void addAbutmentsAndBanners(MeshBuilder& builder, const Circuit& circuit, const Terrain& terrain,
                            const DeckSpan& deck) {
    for (double s : {deck.from, deck.to}) {
        const CentrePoint c = circuit.at(s);
        const double angle = std::atan2(c.dirY, c.dirX);
        const double ground = terrain.heightAt(c.x, c.y);
        addBox(builder.object(kConcreteTexture, boxVertices(), boxFaces()), V3{c.x, c.y, 0.0}, 0.16,
               2.0 * (kSurfaceHalfWidth + kParapetThickness), std::min(ground, -0.1) - 0.3,
               c.z - kDeckDepth, angle, 0.5);
    }
    const double face = kSurfaceHalfWidth + kParapetThickness + 0.004;
    const double mid = 0.5 * (deck.from + deck.to);
    for (double side : {-1.0, 1.0}) {
        const double half = 1.1;
        const double z = circuit.at(mid).z;
        // Left of the pass faces traffic coming down the main straight.
        const V3 a = sideOf(circuit, mid + side * half, side * face, 0.0);
        const V3 b = sideOf(circuit, mid - side * half, side * face, 0.0);
        addSign(builder, a, b, z - kDeckDepth + 0.01, z + kParapetHeight - 0.01, side > 0 ? 0 : 3,
                0);
    }
}

// The start gantry over the line: two posts outside the verges and a beam with the lights.
void addGantry(MeshBuilder& builder, const Circuit& circuit) {
    const double s = circuit.startLineS;
    const CentrePoint c = circuit.at(s);
    const double angle = std::atan2(c.dirY, c.dirX);
    constexpr double kReach = kSurfaceHalfWidth + 0.17;
    constexpr double kBeamLow = 0.62, kBeamHigh = 0.76;
    for (double side : {-1.0, 1.0}) {
        const V3 post = sideOf(circuit, s, side * kReach, 0.0);
        addBox(builder.object(kConcreteTexture, boxVertices(), boxFaces()), post, 0.07, 0.07,
               c.z - 0.2, c.z + kBeamHigh, angle, 0.4);
    }
    MeshObject& beam = builder.object(kGantryTexture, 16, 8);
    for (double face : {-0.035, 0.035}) {
        const V3 right = sideOf(circuit, s + face, -kReach, 0.0),
                 left = sideOf(circuit, s + face, kReach, 0.0);
        const bool front = face < 0.0;  // the face the cars drive toward
        // Seen from the cars' side the lights read left to right; from beyond, the back face.
        const V3 from = front ? left : right, to = front ? right : left;
        const V3 p[4] = {{from.x, from.y, c.z + kBeamLow},
                         {to.x, to.y, c.z + kBeamLow},
                         {to.x, to.y, c.z + kBeamHigh},
                         {from.x, from.y, c.z + kBeamHigh}};
        const Uv uv[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        quadWithNormal(beam, p, uv, liftedFacing(from, to));
    }
    const V3 r0 = sideOf(circuit, s - 0.035, -kReach, c.z + kBeamHigh),
             l0 = sideOf(circuit, s - 0.035, kReach, c.z + kBeamHigh);
    const V3 r1 = sideOf(circuit, s + 0.035, -kReach, c.z + kBeamHigh),
             l1 = sideOf(circuit, s + 0.035, kReach, c.z + kBeamHigh);
    addFlatQuad(beam, r0, l0, l1, r1, {0, 0.02}, {1, 0.02}, {1, 0.03}, {0, 0.03});
}

}  // namespace

namespace {

// Pit wall with sponsor boards on its track side, the garages and the teams' trucks.
void addPaddock(MeshBuilder& builder, const Terrain& terrain) {
    const Paddock& yard = terrain.paddock;
    constexpr double kWallX = 1.1;
    addBox(builder.object(kConcreteTexture, boxVertices(), boxFaces()),
           V3{kWallX, 0.5 * (yard.y0 + yard.y1), 0.0}, 0.06, yard.y1 - yard.y0, yard.floor - 0.05,
           0.12, 0.0, 0.5);
    addBox(builder.object(kConcreteTexture, boxVertices(), boxFaces()), V3{3.3, 0.8, 0.0}, 0.8, 6.0,
           yard.floor - 0.05, yard.floor + 0.5, 0.0, 1.0);
    int row = 1;
    for (double y = yard.y1 - 0.1; y - kBoardLength > yard.y0;
         y -= kBoardLength + 0.05, row = row % 7 + 1) {
        addSign(builder, V3{kWallX - 0.034, y, 0}, V3{kWallX - 0.034, y - kBoardLength, 0}, 0.0,
                0.11, row, row % 2);
    }
    addFlatQuad(
        builder.object(kConcreteTexture, 4, 2), V3{yard.x0 - 0.1, yard.y0, yard.floor + 0.012},
        V3{yard.x1, yard.y0, yard.floor + 0.012}, V3{yard.x1, yard.y1, yard.floor + 0.012},
        V3{yard.x0 - 0.1, yard.y1, yard.floor + 0.012}, {0, 0}, {2.6, 0}, {2.6, 6.8}, {0, 6.8});
    MeshObject& front = builder.object(kGarageTexture, 4, 2);
    const V3 p[4] = {{2.895, 3.8, yard.floor},
                     {2.895, -2.2, yard.floor},
                     {2.895, -2.2, yard.floor + 0.5},
                     {2.895, 3.8, yard.floor + 0.5}};
    const Uv uv[4] = {{0, 0}, {2.5, 0}, {2.5, 1}, {0, 1}};
    quadWithNormal(front, p, uv, normalized(V3{-1, 0, 1}));
    // Transporters in team colours: a trailer box with the sponsor's board down each side.
    const double truckY[] = {2.9, 1.2, -0.6};
    for (int t = 0; t < 3; ++t) {
        addBox(builder.object(kConcreteTexture, boxVertices(), boxFaces()), V3{2.35, truckY[t], 0},
               0.26, 1.05, yard.floor, yard.floor + 0.3, 0.0, 1.0);
        const double y0 = truckY[t] + 0.5, y1 = truckY[t] - 0.5;
        addSign(builder, V3{2.218, y0, 0}, V3{2.218, y1, 0}, yard.floor + 0.08, yard.floor + 0.28,
                5 + t % 3, t % 2);
    }
}

// Raised rows of spectators facing the grid, with a roof and the meeting's name on it.
void addGrandstand(MeshBuilder& builder, const Terrain& terrain) {
    constexpr double kFront = -1.45, kDepth = 0.3, kRise = 0.13, kY0 = -3.0, kY1 = 2.5;
    constexpr int kTiers = 6;
    const double ground = terrain.heightAt(kFront, 0.5 * (kY0 + kY1)) - 0.02;
    const double span = (kY1 - kY0) / 1.4;
    const V3 facing = normalized(V3{1, 0, 1});
    for (int k = 0; k < kTiers; ++k) {
        const double x = kFront - k * kDepth, low = ground + 0.06 + k * kRise, high = low + kRise;
        MeshObject& tier = builder.object(kCrowdTexture, 8, 4);
        const V3 front[4] = {{x, kY0, k == 0 ? ground : low},
                             {x, kY1, k == 0 ? ground : low},
                             {x, kY1, high},
                             {x, kY0, high}};
        const Uv frontUv[4] = {{0, 0.5}, {span, 0.5}, {span, 0.75}, {0, 0.75}};
        quadWithNormal(tier, front, frontUv, facing);
        const V3 top[4] = {
            {x, kY0, high}, {x, kY1, high}, {x - kDepth, kY1, high}, {x - kDepth, kY0, high}};
        const Uv topUv[4] = {{0, 0.75}, {span, 0.75}, {span, 1.0}, {0, 1.0}};
        quadWithNormal(tier, top, topUv, V3{0, 0, 1});
    }
    const double back = kFront - kTiers * kDepth, top = ground + 0.06 + kTiers * kRise;
    const double middle = 0.5 * (kY0 + kY1);
    addBox(builder.object(kConcreteTexture, boxVertices(), boxFaces()), V3{back - 0.04, middle, 0},
           0.08, kY1 - kY0 + 0.1, ground - 0.1, top + 0.55, 0.0, 0.5);
    for (double y : {kY0 - 0.04, kY1 + 0.04}) {
        addBox(builder.object(kConcreteTexture, boxVertices(), boxFaces()),
               V3{0.5 * (kFront + back), y, 0}, kFront - back, 0.08, ground - 0.1, top, 0.0, 0.5);
    }
    for (double y : {kY0, middle, kY1}) {
        addBox(builder.object(kConcreteTexture, boxVertices(), boxFaces()), V3{kFront - 0.05, y, 0},
               0.05, 0.05, ground, top + 0.5, 0.0, 0.5);
    }
    addBox(builder.object(kConcreteTexture, boxVertices(), boxFaces()),
           V3{0.5 * (kFront + back) + 0.05, middle, 0}, kFront - back + 0.3, kY1 - kY0 + 0.3,
           top + 0.5, top + 0.55, 0.0, 1.0);
    addSign(builder, V3{kFront + 0.105, kY0 - 0.15, 0}, V3{kFront + 0.105, kY1 + 0.15, 0},
            top + 0.43, top + 0.57, 0, 0);
}

// Sponsor boards behind the verge on the outside of the quicker corners and along the main
// straight in front of the grandstand.
void addBoards(MeshBuilder& builder, const Circuit& circuit, const Terrain& terrain,
               const DeckSpan& deck) {
    constexpr double kOffset = kSurfaceHalfWidth + 0.3;
    int row = 0;
    for (double s = 0.0; s < circuit.length() - kBoardLength; s += kBoardLength + 0.1) {
        const double k = circuit.at(s + 0.5 * kBoardLength).curvature;
        const bool grandstand = std::fabs(circuit.forwardGap(circuit.gridS, s)) < 3.0;
        if (!grandstand && std::fabs(k) < 0.2) continue;
        const double side = grandstand ? -1.0 : (k > 0.0 ? -1.0 : 1.0);
        const V3 a = sideOf(circuit, s, side * kOffset, 0.0);
        const V3 b = sideOf(circuit, s + kBoardLength, side * kOffset, 0.0);
        const V3 mid = (a + b) * 0.5;
        if (onDeck(circuit, deck, s) || terrain.roadDistance(mid.x, mid.y) < kOffset - 0.05)
            continue;
        const double z = std::min(terrain.heightAt(a.x, a.y), terrain.heightAt(b.x, b.y));
        // The reader on the track looks toward `side`; the start of the name goes on their left.
        const V3 from = side > 0.0 ? a : b, to = side > 0.0 ? b : a;
        addSign(builder, from, to, z, z + kBoardHeight + 0.06, row % kBannerRows, row % 2);
        ++row;
    }
}

void addCameraTowers(MeshBuilder& builder, const std::vector<CameraSpot>& spots,
                     const Terrain& terrain) {
    for (const CameraSpot& spot : spots) {
        if (!spot.tower) continue;
        const double ground = terrain.heightAt(spot.x, spot.y) - 0.05;
        const double deck = spot.z - 0.17;
        for (int corner = 0; corner < 4; ++corner) {
            const double dx = corner % 2 ? 0.1 : -0.1, dy = corner / 2 ? 0.1 : -0.1;
            addBox(builder.object(kConcreteTexture, boxVertices(), boxFaces()),
                   V3{spot.x + dx, spot.y + dy, 0}, 0.025, 0.025, ground, deck, 0.0, 0.3);
        }
        addBox(builder.object(kConcreteTexture, boxVertices(), boxFaces()), V3{spot.x, spot.y, 0},
               0.28, 0.28, deck, deck + 0.03, 0.0, 0.3);
    }
}

struct Tree {
    V3 base;
    double scale;
    bool pine;
    unsigned seed;
    double roadDistance;
};

// Woods in clumps away from the road, with a few single trees between them; none near the
// buildings or in front of a camera tower. Each stands on the ground as drawn.
std::vector<Tree> placeTrees(const Circuit& circuit, const Terrain& terrain,
                             const GroundMesh& ground, const std::vector<CameraSpot>& spots) {
    constexpr double kCell = 0.8;
    ContentRandom random(2005);
    std::vector<Tree> trees;
    const double x1 = terrain.originX + (terrain.columns - 1) * Terrain::kSpacing;
    const double y1 = terrain.originY + (terrain.rows - 1) * Terrain::kSpacing;
    for (double y = terrain.originY + 0.5; y < y1 - 0.5; y += kCell) {
        for (double x = terrain.originX + 0.5; x < x1 - 0.5; x += kCell) {
            const double px = x + random.range(-0.4, 0.4) * kCell,
                         py = y + random.range(-0.4, 0.4) * kCell;
            const double wood = tiledFractalNoise(px / 5.0 + 10.0, py / 5.0 + 10.0, 64, 3, 77);
            const double chance = wood > 0.5 ? 0.9 : 0.1;
            const double pick = random.unit(), scale = random.range(0.8, 1.35);
            const bool pine = random.unit() < 0.6;
            const unsigned seed = static_cast<unsigned>(random.below(100000));
            if (pick > chance || inBuiltArea(circuit, px, py)) continue;
            bool clear = true;
            for (const CameraSpot& spot : spots)
                clear = clear && std::hypot(spot.x - px, spot.y - py) > 1.6;
            const double road = terrain.roadDistance(px, py);
            if (!clear || road < 3.0) continue;
            trees.push_back({V3{px, py, ground.heightAt(px, py) - 0.04}, scale, pine, seed, road});
        }
    }
    // Nearest the road first: near trees then hide the ones behind them before those are drawn.
    std::stable_sort(trees.begin(), trees.end(),
                     [](const Tree& a, const Tree& b) { return a.roadDistance < b.roadDistance; });
    return trees;
}

// Every tree stays, but the farther it stands from the road the fewer faces it has: seen from
// the road or a camera tower it is small there, and the woods keep their outline within the
// landscape's triangle budget.
constexpr double kFullTrees = 6.5;  // road distance within which trees have their full shape
constexpr double kFarTrees = 10.0;  // and beyond which they have their simplest

enum class TreeDetail { Full, Middle, Simple };

TreeDetail detailOf(const Tree& t) {
    if (t.roadDistance < kFullTrees) return TreeDetail::Full;
    return t.roadDistance < kFarTrees ? TreeDetail::Middle : TreeDetail::Simple;
}

// A fraction in [0, 1) that is the tree's own, for its turn and proportions.
double treeFraction(const Tree& t, unsigned salt) {
    unsigned h = (t.seed + 1u) * 2654435761u ^ salt * 40503u;
    h ^= h >> 15;
    h *= 2246822519u;
    h ^= h >> 13;
    return (h & 0xffffu) / 65536.0;
}

// Between its corners a shape of few sides is narrower than a round one of the same radius:
// the mean of its widths across corners and across faces, as a fraction of the round one's.
double roundness(int sides) { return 0.5 * (1.0 + std::cos(kPi / sides)); }

// A pine: stacked tiers of needles on a trunk that shows below them.
struct PineTier {
    double base, radius, height;
};
const PineTier kFullPine[] = {{0.16, 0.3, 0.5}, {0.4, 0.23, 0.42}, {0.63, 0.15, 0.39}};
const PineTier kMiddlePine[] = {{0.16, 0.29, 0.6}, {0.48, 0.2, 0.54}};
// Without a trunk, the lowest tier reaches the ground.
const PineTier kSimplePine[] = {{0.0, 0.3, 0.7}, {0.46, 0.2, 0.56}};

void addPine(MeshBuilder& builder, const Tree& t) {
    const TreeDetail detail = detailOf(t);
    const int sides = detail == TreeDetail::Simple ? 4 : 5;
    const double s = t.scale * (0.92 + 0.16 * treeFraction(t, 1));
    std::vector<PineTier> tiers(kMiddlePine, kMiddlePine + 2);
    if (detail == TreeDetail::Full) tiers.assign(kFullPine, kFullPine + 3);
    if (detail == TreeDetail::Simple) tiers.assign(kSimplePine, kSimplePine + 2);
    MeshObject& object = builder.object(kPineTexture, tiers.size() * spikeVertices(sides),
                                        tiers.size() * spikeFaces(sides));
    for (size_t k = 0; k < tiers.size(); ++k) {
        ConeShape cone;
        cone.radius = tiers[k].radius * s / roundness(sides);
        cone.height = tiers[k].height * s;
        cone.sides = sides;
        cone.turn = 2.0 * kPi * treeFraction(t, 2 + static_cast<unsigned>(k));
        cone.wobble = 0.15;
        cone.seed = t.seed + static_cast<unsigned>(k);
        addSpike(object, t.base + V3{0, 0, tiers[k].base * s}, cone,
                 k + 1 == tiers.size() ? 1.0 : 2.0, 1.0);
    }
}

// A broadleaf tree: one lumpy crown on a trunk.
void addBroadleaf(MeshBuilder& builder, const Tree& t) {
    const TreeDetail detail = detailOf(t);
    const int sides = detail == TreeDetail::Full ? 7 : (detail == TreeDetail::Middle ? 4 : 5);
    const int rings = detail == TreeDetail::Simple ? 1 : 2;
    const double wide = 0.88 + 0.24 * treeFraction(t, 1), tall = 0.85 + 0.3 * treeFraction(t, 2);
    addCrown(builder.object(kLeavesTexture, crownVertices(sides, rings), crownFaces(sides, rings)),
             t.base + V3{0, 0, 0.58 * t.scale}, 0.33 * wide * t.scale / roundness(sides),
             0.58 * tall * t.scale, sides, rings, 2.0 * kPi * treeFraction(t, 3), 0.18, t.seed);
}

// Three faces are enough for a trunk: it is thin and mostly under the crown. The farthest
// pines show none.
void addTrunk(MeshBuilder& builder, const Tree& t) {
    if (t.pine && detailOf(t) == TreeDetail::Simple) return;
    ConeShape trunk;
    trunk.radius = 0.04 * t.scale;
    trunk.height = (t.pine ? 0.45 : 0.48) * t.scale;
    trunk.turn = 2.0 * kPi * treeFraction(t, 4);
    addSpike(builder.object(kBarkTexture, spikeVertices(3), spikeFaces(3)), t.base, trunk, 1.0,
             2.0);
}

void addTrees(MeshBuilder& builder, const std::vector<Tree>& trees) {
    for (const Tree& t : trees) addTrunk(builder, t);
    for (const Tree& t : trees) {
        if (t.pine) addPine(builder, t);
    }
    for (const Tree& t : trees) {
        if (!t.pine) addBroadleaf(builder, t);
    }
}

}  // namespace

std::vector<MeshObject> buildLandscape(const Circuit& circuit, const Terrain& terrain) {
    const DeckSpan deck = findDeck(circuit, terrain);
    const std::vector<CameraSpot> spots = cameraSpots(circuit, terrain);
    const GroundMesh ground(circuit, terrain);
    // The list draws in this order, and whatever is drawn first hides what lies behind it
    // before that is shaded: the buildings and signs stand in front of the ground far more
    // often than behind it, and the ground hides the trees behind the hills.
    MeshBuilder builder;
    addDeck(builder, circuit, deck);
    addAbutmentsAndBanners(builder, circuit, terrain, deck);
    addGantry(builder, circuit);
    addPaddock(builder, terrain);
    addGrandstand(builder, terrain);
    addBoards(builder, circuit, terrain, deck);
    addCameraTowers(builder, spots, terrain);
    addSkirts(builder, circuit, terrain, deck);
    ground.addTo(builder);
    addTrees(builder, placeTrees(circuit, terrain, ground, spots));
    return builder.take();
}

bool writeLandscape(const ContentSink& sink, const Circuit& circuit, const Terrain& terrain,
                    std::string& error) {
    if (!sink.writeModel(kLandscapeModelPath, buildLandscape(circuit, terrain),
                         kLandscapeTriangleBudget, error))
        return false;
    for (const NamedPicture& texture : paintLandscapeTextures()) {
        if (!sink.writeBitmap(texture.path, texture.picture, error)) return false;
    }
    return true;
}

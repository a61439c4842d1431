#include "content/scenery/trees.h"

#include <algorithm>
#include <cmath>

#include "content/maths/random.h"
#include "content/scenery/landscape_textures.h"

namespace {

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
    MeshObject& object = builder.object(kPineTextureFile, tiers.size() * spikeVertices(sides),
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
    addCrown(
        builder.object(kLeavesTextureFile, crownVertices(sides, rings), crownFaces(sides, rings)),
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
    addSpike(builder.object(kBarkTextureFile, spikeVertices(3), spikeFaces(3)), t.base, trunk, 1.0,
             2.0);
}

}  // namespace

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

void addTrees(MeshBuilder& builder, const std::vector<Tree>& trees) {
    for (const Tree& t : trees) addTrunk(builder, t);
    for (const Tree& t : trees) {
        if (t.pine) addPine(builder, t);
    }
    for (const Tree& t : trees) {
        if (!t.pine) addBroadleaf(builder, t);
    }
}

#include "content/scenery/road_bed.h"

#include <algorithm>
#include <cmath>

#include "content/circuit/track_model.h"
#include "content/scenery/banners.h"
#include "content/scenery/landscape_textures.h"

namespace {

constexpr double kSkirtDepth = 0.4;
constexpr double kDeckDepth = 0.1;
constexpr double kParapetHeight = 0.1;
constexpr double kParapetThickness = 0.05;

}  // namespace

V3 sideOf(const Circuit& circuit, double s, double lateral, double z) {
    const PlanPoint p = circuit.offsetPoint(s, lateral);
    return V3{p.x, p.y, z};
}

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
            MeshObject& object = builder.object(kGrassTextureFile, 4, 2);
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
        MeshObject& object = builder.object(kConcreteTextureFile, 28, 14);
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
        addBox(builder.object(kConcreteTextureFile, boxVertices(), boxFaces()), V3{c.x, c.y, 0.0},
               0.16, 2.0 * (kSurfaceHalfWidth + kParapetThickness), std::min(ground, -0.1) - 0.3,
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

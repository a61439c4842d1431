#include "content/scenery/banners.h"

#include <algorithm>
#include <cmath>

#include "content/scenery/landscape_textures.h"

namespace {

constexpr double kBoardHeight = 0.16;

}  // namespace

void addSign(MeshBuilder& builder, const V3& from, const V3& to, double zLow, double zHigh, int row,
             int half) {
    MeshObject& object = builder.object(kBannerTextureFile, 8, 4);
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

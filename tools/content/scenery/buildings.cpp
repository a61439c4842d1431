#include "content/scenery/buildings.h"

#include <algorithm>
#include <cmath>

#include "content/scenery/banners.h"
#include "content/scenery/landscape_textures.h"
#include "content/scenery/road_bed.h"

void addGantry(MeshBuilder& builder, const Circuit& circuit) {
    const double s = circuit.startLineS;
    const CentrePoint c = circuit.at(s);
    const double angle = std::atan2(c.dirY, c.dirX);
    constexpr double kReach = kSurfaceHalfWidth + 0.17;
    constexpr double kBeamLow = 0.62, kBeamHigh = 0.76;
    for (double side : {-1.0, 1.0}) {
        const V3 post = sideOf(circuit, s, side * kReach, 0.0);
        addBox(builder.object(kConcreteTextureFile, boxVertices(), boxFaces()), post, 0.07, 0.07,
               c.z - 0.2, c.z + kBeamHigh, angle, 0.4);
    }
    MeshObject& beam = builder.object(kGantryTextureFile, 16, 8);
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

void addPaddock(MeshBuilder& builder, const Terrain& terrain) {
    const Paddock& yard = terrain.paddock;
    constexpr double kWallX = 1.1;
    addBox(builder.object(kConcreteTextureFile, boxVertices(), boxFaces()),
           V3{kWallX, 0.5 * (yard.y0 + yard.y1), 0.0}, 0.06, yard.y1 - yard.y0, yard.floor - 0.05,
           0.12, 0.0, 0.5);
    addBox(builder.object(kConcreteTextureFile, boxVertices(), boxFaces()), V3{3.3, 0.8, 0.0}, 0.8,
           6.0, yard.floor - 0.05, yard.floor + 0.5, 0.0, 1.0);
    int row = 1;
    for (double y = yard.y1 - 0.1; y - kBoardLength > yard.y0;
         y -= kBoardLength + 0.05, row = row % 7 + 1) {
        addSign(builder, V3{kWallX - 0.034, y, 0}, V3{kWallX - 0.034, y - kBoardLength, 0}, 0.0,
                0.11, row, row % 2);
    }
    addFlatQuad(
        builder.object(kConcreteTextureFile, 4, 2), V3{yard.x0 - 0.1, yard.y0, yard.floor + 0.012},
        V3{yard.x1, yard.y0, yard.floor + 0.012}, V3{yard.x1, yard.y1, yard.floor + 0.012},
        V3{yard.x0 - 0.1, yard.y1, yard.floor + 0.012}, {0, 0}, {2.6, 0}, {2.6, 6.8}, {0, 6.8});
    MeshObject& front = builder.object(kGarageTextureFile, 4, 2);
    const V3 p[4] = {{2.895, 3.8, yard.floor},
                     {2.895, -2.2, yard.floor},
                     {2.895, -2.2, yard.floor + 0.5},
                     {2.895, 3.8, yard.floor + 0.5}};
    const Uv uv[4] = {{0, 0}, {2.5, 0}, {2.5, 1}, {0, 1}};
    quadWithNormal(front, p, uv, normalized(V3{-1, 0, 1}));
    // Transporters in team colours: a trailer box with the sponsor's board down each side.
    const double truckY[] = {2.9, 1.2, -0.6};
    for (int t = 0; t < 3; ++t) {
        addBox(builder.object(kConcreteTextureFile, boxVertices(), boxFaces()),
               V3{2.35, truckY[t], 0}, 0.26, 1.05, yard.floor, yard.floor + 0.3, 0.0, 1.0);
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
        MeshObject& tier = builder.object(kCrowdTextureFile, 8, 4);
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
    addBox(builder.object(kConcreteTextureFile, boxVertices(), boxFaces()),
           V3{back - 0.04, middle, 0}, 0.08, kY1 - kY0 + 0.1, ground - 0.1, top + 0.55, 0.0, 0.5);
    for (double y : {kY0 - 0.04, kY1 + 0.04}) {
        addBox(builder.object(kConcreteTextureFile, boxVertices(), boxFaces()),
               V3{0.5 * (kFront + back), y, 0}, kFront - back, 0.08, ground - 0.1, top, 0.0, 0.5);
    }
    for (double y : {kY0, middle, kY1}) {
        addBox(builder.object(kConcreteTextureFile, boxVertices(), boxFaces()),
               V3{kFront - 0.05, y, 0}, 0.05, 0.05, ground, top + 0.5, 0.0, 0.5);
    }
    addBox(builder.object(kConcreteTextureFile, boxVertices(), boxFaces()),
           V3{0.5 * (kFront + back) + 0.05, middle, 0}, kFront - back + 0.3, kY1 - kY0 + 0.3,
           top + 0.5, top + 0.55, 0.0, 1.0);
    addSign(builder, V3{kFront + 0.105, kY0 - 0.15, 0}, V3{kFront + 0.105, kY1 + 0.15, 0},
            top + 0.43, top + 0.57, 0, 0);
}

void addCameraTowers(MeshBuilder& builder, const std::vector<CameraSpot>& spots,
                     const Terrain& terrain) {
    for (const CameraSpot& spot : spots) {
        if (!spot.tower) continue;
        const double ground = terrain.heightAt(spot.x, spot.y) - 0.05;
        const double deck = spot.z - 0.17;
        for (int corner = 0; corner < 4; ++corner) {
            const double dx = corner % 2 ? 0.1 : -0.1, dy = corner / 2 ? 0.1 : -0.1;
            addBox(builder.object(kConcreteTextureFile, boxVertices(), boxFaces()),
                   V3{spot.x + dx, spot.y + dy, 0}, 0.025, 0.025, ground, deck, 0.0, 0.3);
        }
        addBox(builder.object(kConcreteTextureFile, boxVertices(), boxFaces()),
               V3{spot.x, spot.y, 0}, 0.28, 0.28, deck, deck + 0.03, 0.0, 0.3);
    }
}

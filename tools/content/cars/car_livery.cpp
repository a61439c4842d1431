#include "content/cars/car_livery.h"

#include <algorithm>
#include <cmath>

#include "content/cars/car_designs.h"
#include "world/angles.h"

namespace {

const Rgb kGlassDark{34.0, 42.0, 56.0};
const Rgb kGlassSky{118.0, 138.0, 162.0};
const Rgb kTyre{44.0, 44.0, 47.0};
const Rgb kTyreWall{54.0, 54.0, 58.0};
const Rgb kShadow{40.0, 40.0, 44.0};
const Rgb kInk{18.0, 18.0, 20.0};
const Rgb kRoundel{238.0, 236.0, 228.0};

struct Painter {
    const CarShape& shape;
    const CarLivery& livery;
};

// ---- glass ----

Rgb glassColour(double along, double height) {
    // A soft sky gradient with one slanted highlight band, as a window reflects.
    const double band = std::fabs(std::fmod(along * 2.2 + height * 3.0 + 10.0, 1.0) - 0.5);
    const double streak = smoothStep(0.38, 0.47, band) * 0.5;
    return mixRgb(kGlassDark, kGlassSky, clampUnit(0.15 + 0.9 * height) * 0.45 + streak);
}

bool inSideGlass(const Painter& p, const CarSection& s, double y, double z, double grow) {
    const CarLivery& l = p.livery;
    if (y < l.sideFrom - grow || y > l.sideTo + grow) return false;
    if (std::fabs(y - l.pillarB) < l.frame - grow) return false;
    return z > s.belt + l.frame - grow && z < s.top - p.shape.roofEdge - l.frame + grow;
}

bool inTopGlass(const Painter& p, const CarSection& s, double y, double x, double grow) {
    const CarLivery& l = p.livery;
    const bool screen = y > l.screenFrom - grow && y < l.screenTo + grow;
    const bool back = y > l.backFrom - grow && y < l.backTo + grow;
    return (screen || back) && std::fabs(x) < s.topHalfWidth - l.frame + grow;
}

// ---- numbers ----

// Roundel with the number: white disc, dark digits, thin dark ring. (tx, ty) are the reading
// frame's right and up, centred on the roundel. Returns false outside it.
bool roundel(const CarLivery& l, double radius, double tx, double ty, Rgb& c) {
    const double r = std::sqrt(tx * tx + ty * ty);
    if (r > radius) return false;
    c = r > radius * 0.9 ? kInk : kRoundel;
    const double height = radius * 1.05;
    const double width = numberWidth(l.number, height);
    if (numberInk(l.number, height, tx + 0.5 * width, ty + 0.5 * height) > 0.0) c = kInk;
    return true;
}

// ---- sides ----

double archDistance(const CarShape& shape, double y, double z) {
    const double radius = shape.wheelRadius + shape.archClearance;
    const double front = std::hypot(y - shape.frontAxle, z - shape.wheelRadius) - radius;
    const double rear =
        std::hypot(y - shape.rearAxle, z - (shape.wheelRadius - shape.rearArchDrop)) - radius;
    return std::min(std::fabs(front), std::fabs(rear));
}

// Lines along the body stop short of the rounded ends, whose side texture is squeezed.
bool clearOfEnds(const CarShape& shape, double y) {
    const double margin = shape.endRadius + 0.02;
    return y > shape.front + margin && y < shape.rear - margin;
}

Rgb lowerSide(const Painter& p, const CarSection& s, double y, double z, bool right) {
    const CarLivery& l = p.livery;
    Rgb c = l.body;
    const double above = z - s.shoulder;
    // Over the arches the panel below the belt is a thin band; lines there would only smear.
    const bool lines = clearOfEnds(p.shape, y) && s.shoulder - s.bottom > 0.06;
    if (lines && above > l.sideStripeLow && above < l.sideStripeHigh) c = l.stripe;
    for (double gap : l.doorGaps) {
        if (std::fabs(y - gap) < 0.004 && z > s.bottom + 0.03 && z < s.belt - 0.008)
            c = scaleRgb(c, 0.45);
        if (y > gap + 0.05 && y < gap + 0.1 && std::fabs(z - (s.belt - 0.03)) < 0.007) c = l.chrome;
    }
    const double roundelZ = s.bottom + 0.5 * (s.shoulder - s.bottom) + 0.02;
    Rgb disc;
    if (roundel(l, l.roundelRadius, right ? y - l.roundelY : l.roundelY - y, z - roundelZ, disc))
        c = disc;
    if (z < s.bottom + 0.028) c = l.trim;
    if (archDistance(p.shape, y, z) < 0.012) c = l.trim;
    if (lines && s.top - s.belt > 0.08 && std::fabs(z - s.belt) < 0.005) c = l.chrome;
    return c;
}

Rgb paintSide(const Painter& p, double y, double z, bool right) {
    const CarSection s = sectionAt(p.shape, y);
    if (inSideGlass(p, s, y, z, 0.0))
        return glassColour(y, (z - s.belt) / std::max(0.05, s.top - s.belt));
    if (inSideGlass(p, s, y, z, 0.007)) return p.livery.trim;
    // Above the belt only the cabin's pillars take the roof colour; bonnet and deck edges do not.
    if (z > s.belt + 0.005) return s.top - s.belt > 0.08 ? p.livery.roof : p.livery.body;
    return lowerSide(p, s, y, z, right);
}

// ---- top ----

Rgb paintTop(const Painter& p, double y, double x) {
    const CarLivery& l = p.livery;
    const CarSection s = sectionAt(p.shape, y);
    if (inTopGlass(p, s, y, x, 0.0)) return glassColour(x * 0.5 + y, 0.6);
    if (inTopGlass(p, s, y, x, 0.008)) return l.trim;
    const bool roof = y > l.screenTo && y < l.backFrom;
    Rgb c = roof ? l.roof : l.body;
    const double ax = std::fabs(x);
    if (clearOfEnds(p.shape, y) && ax > l.stripeInner && ax < l.stripeOuter) c = l.stripe;
    Rgb disc;
    if (roof && roundel(l, l.roofNumberHeight, -x, -(y - l.roofNumberY), disc)) c = disc;
    return c;
}

// ---- end faces ----

bool inLamp(const CarLamp& lamp, double x, double z, double grow) {
    const double dx = std::fabs(x) - lamp.x;
    const double dz = z - lamp.z;
    if (lamp.round) return std::hypot(dx, dz) < lamp.halfWidth + grow;
    return std::fabs(dx) < lamp.halfWidth + grow && std::fabs(dz) < lamp.halfHeight + grow;
}

bool plate(const CarLivery& l, double x, double z, double plateZ, Rgb& c) {
    const double halfWidth = 0.1;
    const double halfHeight = 0.028;
    if (std::fabs(x) > halfWidth || std::fabs(z - plateZ) > halfHeight) return false;
    c = l.plate;
    const double height = 0.034;
    const double width = numberWidth(l.plateText, height);
    if (numberInk(l.plateText, height, x + 0.5 * width, z - plateZ + 0.5 * height) > 0.0) c = kInk;
    if (std::fabs(x) > halfWidth - 0.006 || std::fabs(z - plateZ) > halfHeight - 0.006) c = kInk;
    return true;
}

Rgb paintEnd(const Painter& p, double x, double z, bool front) {
    const CarLivery& l = p.livery;
    const std::vector<CarLamp>& lamps = front ? l.headlamps : l.taillamps;
    for (const CarLamp& lamp : lamps) {
        if (inLamp(lamp, x, z, 0.0)) {
            const Rgb glow = front ? l.headlamp : l.taillamp;
            return mixRgb(glow, scaleRgb(glow, 0.7),
                          smoothStep(0.0, 1.0, std::fabs(z - lamp.z) / lamp.halfHeight));
        }
        if (inLamp(lamp, x, z, 0.008)) return l.chrome;
    }
    Rgb c = l.body;
    if (std::fabs(z - l.bumperZ) < l.bumperHalfHeight) c = l.chrome;
    if (front && std::fabs(x) < l.grilleHalfWidth && z > l.grilleLow && z < l.grilleHigh)
        c = std::fmod((z - l.grilleLow) / 0.012, 1.0) < 0.45 ? l.trim : scaleRgb(l.chrome, 0.55);
    Rgb plateColour;
    if (plate(l, x, z, front ? l.frontPlateZ : l.rearPlateZ, plateColour)) c = plateColour;
    return c;
}

// ---- wheels ----

Rgb paintWheel(const CarLivery& l, double a, double b) {
    const double r = std::hypot(a, b);
    if (r > 0.9) return kTyre;
    if (r > 0.64) return kTyreWall;
    if (r > 0.56) return l.rim;
    if (r < 0.1) return scaleRgb(l.rim, 0.6);
    if (l.spokedWheels) {
        const double angle = std::atan2(b, a) / (2.0 * kPi) * 5.0;
        const double spoke = std::fabs(angle - std::floor(angle + 0.5));
        return spoke < 0.09 + 0.12 * (0.56 - r) ? l.rim : scaleRgb(kShadow, 1.4);
    }
    // Smooth hubcap with a darker groove and a light centre.
    if (std::fabs(r - 0.42) < 0.03) return scaleRgb(l.rim, 0.55);
    return mixRgb(l.rim, scaleRgb(l.rim, 0.75), r / 0.56);
}

Rgb paintTread(double a, double b) {
    const double block = std::fmod(a * 48.0, 1.0);
    if (block < 0.22 || std::fabs(b - 0.5) < 0.06) return scaleRgb(kTyre, 0.6);
    return kTyre;
}

Rgb paintPart(const Painter& p, SkinPart part, double a, double b) {
    switch (part) {
        case SkinPart::SideRight:
            return paintSide(p, a, b, true);
        case SkinPart::SideLeft:
            return paintSide(p, a, b, false);
        case SkinPart::Top:
            return paintTop(p, a, b);
        case SkinPart::Front:
            return paintEnd(p, a, b, true);
        case SkinPart::Rear:
            return paintEnd(p, a, b, false);
        case SkinPart::Wheel:
            return paintWheel(p.livery, a, b);
        case SkinPart::Tread:
            return paintTread(a, b);
        case SkinPart::Shadow:
            break;
    }
    return kShadow;
}

}  // namespace

CarAtlas atlasFor(const CarDesign& design) {
    const CarShape& shape = design.shape;
    double halfWidth = 0.0;
    double height = 0.0;
    for (double y : sectionStations(shape)) {
        const CarSection s = sectionAt(shape, y);
        halfWidth = std::max(halfWidth, s.halfWidth);
        height = std::max(height, s.top + s.crown);
    }
    return makeCarAtlas(shape.front, shape.rear, halfWidth, height);
}

Picture paintCar(const CarDesign& design, const CarAtlas& atlas) {
    const Painter painter{design.shape, design.livery};
    return paintCarAtlas(atlas, [&painter](SkinPart part, double a, double b) {
        return paintPart(painter, part, a, b);
    });
}

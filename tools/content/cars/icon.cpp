#include "content/cars/icon.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/png_image.h"
#include "content/cars/car_designs.h"
#include "content/cars/car_livery.h"
#include "content/cars/car_shape.h"
#include "content/circuit/track_texture.h"
#include "content/scenery/sky_smoke.h"

namespace {

constexpr int kSamples = 4;    // per pixel and axis: smooth silhouette and wheel edges
constexpr int kKerbTop = 166;  // icon rows: sky above, kerb, then the asphalt
constexpr int kAsphaltTop = 178;
constexpr double kGroundRow = 214.0;  // where the tyres touch the road
constexpr double kMargin = 6.0;       // pixels left free beside nose and tail

// Track atlas columns [first, last) in pixels, as the track model maps them.
constexpr int kKerbFirst = 64, kKerbLast = 96;
constexpr int kAsphaltFirst = 128, kAsphaltLast = 384;

struct Colour {
    double r = 0.0, g = 0.0, b = 0.0;
};

Colour texel(const Picture& picture, double x, double y) {
    const int px = std::clamp(static_cast<int>(std::floor(x)), 0, picture.width - 1);
    const int py = std::clamp(static_cast<int>(std::floor(y)), 0, picture.height - 1);
    const uint8_t* p = picture.at(px, py);
    return {double(p[0]), double(p[1]), double(p[2])};
}

// A texel inside one atlas rectangle, never bleeding into its neighbours.
Colour rectTexel(const Picture& picture, const AtlasRect& rect, double a, double b) {
    const double x = std::clamp(rect.pixelX(a), double(std::min(rect.x0, rect.x1)),
                                double(std::max(rect.x0, rect.x1)) - 1.0);
    const double y = std::clamp(rect.pixelY(b), double(std::min(rect.y0, rect.y1)),
                                double(std::max(rect.y0, rect.y1)) - 1.0);
    return texel(picture, x, y);
}

// The road runs across the icon, so the atlas's along-the-road axis (its rows) becomes the
// icon's x; twice the icon's width repeats the kerb blocks and centre-line dashes often.
Colour background(const Picture& sky, const Picture& track, double x, double y) {
    const double along = std::fmod(x * 2.0, double(track.height));
    if (y < kKerbTop) return texel(sky, x * 2.0, y * 2.0);
    if (y < kAsphaltTop) {
        return texel(
            track,
            kKerbFirst + (y - kKerbTop) / (kAsphaltTop - kKerbTop) * (kKerbLast - kKerbFirst),
            along);
    }
    const double across = (y - kAsphaltTop) / (kIconSize - kAsphaltTop);
    return texel(track, kAsphaltFirst + across * (kAsphaltLast - kAsphaltFirst), along);
}

class CarProfile {
  public:
    CarProfile()
        : design(makeSaloonDesign()), atlas(atlasFor(design)), skin(paintCar(design, atlas)) {
        const CarShape& shape = design.shape;
        scale = (kIconSize - 2.0 * kMargin) / (shape.rear - shape.front);
        for (int column = 0; column < kIconSize * kSamples; ++column) {
            sections.push_back(sectionAt(shape, alongAt((column + 0.5) / kSamples)));
        }
    }

    // The car's colour over icon point (x, y), or false where the background shows.
    bool colourAt(double x, double y, Colour& colour) const {
        const CarShape& shape = design.shape;
        const double along = alongAt(x);
        const double up = (kGroundRow - y) / scale;
        for (double axle : {shape.frontAxle, shape.rearAxle}) {
            const double a = (along - axle) / shape.wheelRadius;
            const double b = (shape.wheelRadius - up) / shape.wheelRadius;
            if (a * a + b * b <= 1.0) {
                colour = rectTexel(skin, atlas.wheel, a, b);
                return true;
            }
        }
        const int column = std::clamp(static_cast<int>(x * kSamples), 0, kIconSize * kSamples - 1);
        const CarSection& s = sections[column];
        if (along < shape.front || along > shape.rear || up < s.bottom || up > s.top + s.crown)
            return false;
        colour = rectTexel(skin, atlas.sideRight, along, up);
        return true;
    }

    // Darkness of the car's shadow on the road at icon point (x, y), 0 (none) to 1.
    double shadowAt(double x, double y) const {
        const double along =
            std::abs(alongAt(x)) / (0.5 * (design.shape.rear - design.shape.front));
        const double below = std::abs(y - kGroundRow) / 5.0;
        return std::clamp(1.0 - below * below, 0.0, 1.0) *
               std::clamp((1.05 - along) * 8.0, 0.0, 1.0);
    }

  private:
    // Icon x to the car's y; the side-on view has the nose on the left like the texture.
    double alongAt(double x) const { return design.shape.front + (x - kMargin) / scale; }

    CarDesign design;
    CarAtlas atlas;
    Picture skin;
    double scale = 1.0;
    std::vector<CarSection> sections;  // one per sample column
};

Colour sampleAt(const CarProfile& car, const Picture& sky, const Picture& track, double x,
                double y) {
    Colour colour;
    if (car.colourAt(x, y, colour)) return colour;
    colour = background(sky, track, x, y);
    const double dim = 1.0 - 0.6 * car.shadowAt(x, y);
    return {colour.r * dim, colour.g * dim, colour.b * dim};
}

uint8_t toByte(double value) { return static_cast<uint8_t>(std::clamp(value, 0.0, 255.0) + 0.5); }

}  // namespace

Picture paintIcon() {
    const CarProfile car;
    const Picture sky = paintSky();
    const Picture track = paintTrackTexture();
    Picture icon(kIconSize, kIconSize);
    for (int y = 0; y < kIconSize; ++y) {
        for (int x = 0; x < kIconSize; ++x) {
            Colour sum;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const Colour c = sampleAt(car, sky, track, x + (sx + 0.5) / kSamples,
                                              y + (sy + 0.5) / kSamples);
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
                }
            }
            const double n = kSamples * kSamples;
            icon.set(x, y, toByte(sum.r / n), toByte(sum.g / n), toByte(sum.b / n));
        }
    }
    return icon;
}

bool writeIcon(const ContentSink& sink, std::string& error) {
    const Picture picture = paintIcon();
    RgbImage image(picture.width, picture.height);
    image.rgb = picture.rgb;
    return sink.writeByName(
        {kIconFile},
        [&image](const std::vector<std::string>& names, std::string& failure) {
            return writePng(names[0], image, failure);
        },
        error);
}

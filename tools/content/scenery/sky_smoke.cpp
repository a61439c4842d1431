#include "content/scenery/sky_smoke.h"

#include <algorithm>
#include <cmath>

#include "content/maths/random.h"
#include "content/pack/pack_layout.h"

namespace {

constexpr int kSkySize = 512;
constexpr int kSkyPeriod = 6;        // lattice cells across the image: a few large cloud banks
constexpr double kSkyBorder = 0.03;  // of the image's side: the band of plain blue round it
constexpr double kSkyFade = 0.33;    // over which the clouds and the blue's shading come in
constexpr double kCloudShift = 0.5;  // lattice cells
constexpr int kSmokeSize = 64;
// Faint fringe values below this become exact black: additive smoke would otherwise show
// a speckled square around every puff, since only (0, 0, 0) is keyed out.
constexpr int kSmokeFloor = 14;

double clamp01(double v) { return std::min(1.0, std::max(0.0, v)); }

double smoothStep(double edge0, double edge1, double v) {
    const double t = clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3.0 - 2.0 * t);
}

double mix(double a, double b, double t) { return a + (b - a) * t; }

uint8_t toByte(double v) { return static_cast<uint8_t>(std::lround(clamp01(v / 255.0) * 255.0)); }

struct Rgb {
    double r, g, b;
};

Rgb mixRgb(const Rgb& a, const Rgb& b, double t) {
    return {mix(a.r, b.r, t), mix(a.g, b.g, t), mix(a.b, b.b, t)};
}

// How far a point of the image (0..1 both ways) lies inside the border band, from 0 on the
// band to 1 well inside it. Every face of the sky box shows the whole image, and each edge
// of it meets every edge of a neighbouring face, some mirrored and some turned: only an
// image whose edges are all one colour meets itself without a seam.
double insideBorder(double u, double v) {
    const double edge = std::min({u, 1.0 - u, v, 1.0 - v});
    return smoothStep(kSkyBorder, kSkyBorder + kSkyFade, edge);
}

// Cloud density at a point of the image, in lattice units; a slow second field thins the
// cover into banks and clear patches so the box does not look uniformly overcast. Toward
// the border band the clouds thin away and vanish, so none is cut by an edge of a face.
double cloudDensity(double x, double y) {
    // The noise is shifted so that its cloud banks lie well inside the border.
    const double detail = tiledFractalNoise(x + kCloudShift, y, kSkyPeriod, 5, 1705u);
    const double cover =
        tiledFractalNoise((x + kCloudShift) / 3.0, y / 3.0, kSkyPeriod / 3, 2, 2203u);
    const double inside = insideBorder(x / kSkyPeriod, y / kSkyPeriod);
    return detail + (cover - 0.5) * 0.6 + 0.28 - 1.3 * (1.0 - inside);
}

Rgb skyColour(double x, double y) {
    const Rgb deep{88.0, 136.0, 208.0};
    const Rgb pale{128.0, 170.0, 226.0};
    // The border band is the middle of the blue's range; inside, the blue wanders about it.
    const double tint = 0.5 + (tiledFractalNoise(x / 3.0, y / 3.0, kSkyPeriod / 3, 2, 911u) - 0.5) *
                                  insideBorder(x / kSkyPeriod, y / kSkyPeriod);
    const Rgb base = mixRgb(deep, pale, tint);
    const double density = cloudDensity(x, y);
    const double amount = smoothStep(0.40, 0.74, density);
    // Denser than the texel a little toward the light: that side is lit, the far side grey.
    const double lit = clamp01(0.55 + 3.5 * (density - cloudDensity(x + 0.06, y + 0.06)));
    const double core = smoothStep(0.62, 0.85, density);
    const Rgb white{246.0, 247.0, 250.0};
    const Rgb grey{172.0, 178.0, 196.0};
    const Rgb cloud = mixRgb(mixRgb(grey, white, lit), grey, core * 0.35);
    return mixRgb(base, cloud, amount);
}

// A soft puff with noise in its body: 1 in the middle, falling to 0 at the rim.
double smokeValue(int px, int py) {
    const double centre = (kSmokeSize - 1) * 0.5;
    const double radius = kSmokeSize * 0.47;
    const double dx = (px - centre) / radius;
    const double dy = (py - centre) / radius;
    const double r2 = dx * dx + dy * dy;
    if (r2 >= 1.0) return 0.0;
    // A lumpy outline: the radius swells and shrinks with a coarse noise.
    const double lump = tiledFractalNoise(px / 16.0, py / 16.0, kSmokeSize / 16, 2, 4721u);
    const double r = std::sqrt(r2) / (0.72 + 0.36 * lump);
    if (r >= 1.0) return 0.0;
    const double falloff = 1.0 - smoothStep(0.0, 1.0, r);
    const double grain = tiledFractalNoise(px / 8.0, py / 8.0, kSmokeSize / 8, 3, 4409u);
    return falloff * (0.55 + 0.6 * grain);
}

}  // namespace

Picture paintSky() {
    Picture picture(kSkySize, kSkySize);
    const double scale = static_cast<double>(kSkyPeriod) / kSkySize;
    for (int y = 0; y < kSkySize; ++y) {
        for (int x = 0; x < kSkySize; ++x) {
            const Rgb c = skyColour(x * scale, y * scale);
            picture.set(x, y, toByte(c.r), toByte(c.g), toByte(c.b));
        }
    }
    return picture;
}

Picture paintSmoke() {
    Picture picture(kSmokeSize, kSmokeSize);
    for (int y = 0; y < kSmokeSize; ++y) {
        for (int x = 0; x < kSmokeSize; ++x) {
            const int grey = static_cast<int>(std::lround(clamp01(smokeValue(x, y)) * 235.0));
            if (grey < kSmokeFloor) continue;
            const auto g = static_cast<uint8_t>(grey);
            picture.set(x, y, g, g, static_cast<uint8_t>(std::min(255, grey + 6)));
        }
    }
    return picture;
}

bool writeSkyAndSmoke(const ContentSink& sink, std::string& error) {
    return sink.writeBitmap(kSkyBitmapFile, paintSky(), error) &&
           sink.writeBitmap(kSmokeBitmapFile, paintSmoke(), error);
}

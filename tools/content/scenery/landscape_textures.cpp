#include "content/scenery/landscape_textures.h"

#include <algorithm>
#include <cmath>

#include "app/view.h"
#include "content/maths/random.h"
#include "content/scenery/pixel_font.h"

namespace {

uint8_t toByte(double value) { return static_cast<uint8_t>(std::clamp(value, 0.0, 255.0) + 0.5); }

void put(Picture& picture, int x, int y, double r, double g, double b) {
    picture.set(x, y, toByte(r), toByte(g), toByte(b));
}

// Tiling noise in [-0.5, 0.5) over a picture of `size` pixels, `cells` lattice cells across.
double noise(int x, int y, int size, int cells, uint32_t seed, int octaves = 4) {
    return tiledFractalNoise(x * double(cells) / size, y * double(cells) / size, cells, octaves,
                             seed) -
           0.5;
}

Picture paintGrass() {
    constexpr int kSize = 256;
    Picture p(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const double blades = noise(x, y, kSize, 128, 101, 2);
            const double patches = noise(x, y, kSize, 4, 102);
            const double dry = std::max(0.0, noise(x, y, kSize, 8, 103) - 0.12) * 3.0;
            put(p, x, y, 62 + 60 * blades + 30 * patches + 70 * dry,
                112 + 70 * blades + 38 * patches + 35 * dry, 40 + 30 * blades + 10 * patches);
        }
    }
    return p;
}

Picture paintConcrete() {
    constexpr int kSize = 128;
    Picture p(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const double grain = noise(x, y, kSize, 64, 121, 2);
            const double stain = noise(x, y, kSize, 4, 122);
            const bool joint = x % 64 == 0 || y % 64 == 0;
            const double base = joint ? 120.0 : 178.0 + 36 * grain + 40 * stain;
            put(p, x, y, base, base - 2, base - 8);
        }
    }
    return p;
}

Picture paintBark() {
    constexpr int kSize = 64;
    Picture p(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const double streak =
                tiledFractalNoise(x * 16.0 / kSize, y * 2.0 / kSize, 16, 3, 131) - 0.5;
            put(p, x, y, 92 + 80 * streak, 66 + 60 * streak, 42 + 36 * streak);
        }
    }
    return p;
}

// The pines' needle bands were painted with pi cut to six figures; the full kPi would move
// some of their texels, and the texture is kept as it was made.
constexpr double kPinePi = 3.14159;

// Dense needles for the pines, darker in the folds.
Picture paintPine() {
    constexpr int kSize = 128;
    Picture p(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const double needles = noise(x, y, kSize, 64, 141, 2);
            const double fold = noise(x, y, kSize, 8, 142);
            const double tier = 0.5 + 0.5 * std::sin(y * kPinePi * 8 / kSize);
            put(p, x, y, 26 + 40 * needles + 20 * fold, 70 + 70 * needles + 40 * fold + 18 * tier,
                36 + 30 * needles);
        }
    }
    return p;
}

// Round crowns: clumps of lit leaves over shadowed gaps.
Picture paintLeaves() {
    constexpr int kSize = 128;
    Picture p(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const double clump = noise(x, y, kSize, 16, 151);
            const double leaf = noise(x, y, kSize, 64, 152, 2);
            const double light = clump > 0.0 ? 1.0 : 0.6;
            put(p, x, y, (70 + 60 * leaf) * light, (128 + 80 * leaf) * light,
                (42 + 30 * leaf) * light);
        }
    }
    return p;
}

// Spectators in rows: shirts of every colour, faces, and the odd empty seat.
Picture paintCrowd() {
    constexpr int kWidth = 256, kHeight = 128, kCell = 8;
    Picture p(kWidth, kHeight);
    ContentRandom random(161);
    const uint8_t shirts[][3] = {{200, 40, 40},   {240, 220, 60}, {40, 80, 190},
                                 {240, 240, 240}, {30, 30, 30},   {60, 160, 70},
                                 {230, 120, 30},  {150, 60, 160}, {90, 170, 220}};
    const uint8_t skins[][3] = {{236, 196, 160}, {200, 150, 110}, {140, 95, 60}, {90, 60, 40}};
    for (int cy = 0; cy < kHeight / kCell; ++cy) {
        for (int cx = 0; cx < kWidth / kCell; ++cx) {
            const bool empty = random.unit() < 0.08;
            const uint8_t* shirt = shirts[random.below(9)];
            const uint8_t* skin = skins[random.below(4)];
            const int headX = 2 + static_cast<int>(random.below(3));
            for (int y = 0; y < kCell; ++y) {
                for (int x = 0; x < kCell; ++x) {
                    const int px = cx * kCell + x, py = cy * kCell + y;
                    double r = 60, g = 64, b = 80;  // seat
                    if (!empty && y >= 4) r = shirt[0], g = shirt[1], b = shirt[2];
                    if (!empty && y >= 1 && y < 4 && x >= headX && x < headX + 3)
                        r = skin[0], g = skin[1], b = skin[2];
                    if (y == kCell - 1) r = g = b = 40;  // the step's shadow
                    const double n = 20 * noise(px, py, kWidth, 64, 162, 1);
                    put(p, px, py, r + n, g + n, b + n);
                }
            }
        }
    }
    return p;
}

struct Sponsor {
    const char* name;
    uint8_t background[3];
    uint8_t letters[3];
};

// Made-up sponsors of the meeting.
const Sponsor kSponsors[kBannerRows] = {
    {"ZORVEX", {20, 20, 24}, {250, 200, 40}},       {"QUINTAR OIL", {200, 30, 30}, {255, 255, 255}},
    {"FENNIK TYRES", {250, 210, 30}, {20, 20, 20}}, {"SOLARA COLA", {30, 90, 200}, {255, 255, 255}},
    {"BRAKMOR", {240, 240, 240}, {200, 20, 20}},    {"OKTANA FUEL", {20, 120, 60}, {250, 250, 210}},
    {"GRIPTEK", {250, 120, 20}, {20, 20, 40}},      {"MIRELLO", {120, 30, 130}, {250, 240, 250}},
};

Picture paintBanners() {
    constexpr int kWidth = 512, kRow = 32;
    Picture p(kWidth, kRow * kBannerRows);
    for (int row = 0; row < kBannerRows; ++row) {
        const Sponsor& sponsor = kSponsors[row];
        for (int y = row * kRow; y < (row + 1) * kRow; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const bool rim = y % kRow < 2 || y % kRow >= kRow - 2;
                const double n = 8 * noise(x, y, kWidth, 64, 171, 1);
                if (rim)
                    put(p, x, y, 230 + n, 230 + n, 230 + n);
                else
                    put(p, x, y, sponsor.background[0] + n, sponsor.background[1] + n,
                        sponsor.background[2] + n);
            }
        }
        // The name twice along the board, so a board shows it whichever half it uses.
        constexpr int kScale = 3;
        const int width = textWidth(sponsor.name, kScale);
        for (int copy = 0; copy < 2; ++copy) {
            const int x = copy * kWidth / 2 + (kWidth / 2 - width) / 2;
            drawText(p, sponsor.name, x, row * kRow + (kRow - 7 * kScale) / 2, kScale,
                     sponsor.letters);
        }
    }
    return p;
}

// The start gantry's face: five pairs of start lights and the meeting's name.
Picture paintGantry() {
    constexpr int kWidth = 256, kHeight = 64;
    Picture p(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double n = 6 * noise(x, y, kWidth, 32, 181, 1);
            put(p, x, y, 28 + n, 30 + n, 34 + n);
        }
    }
    for (int light = 0; light < 5; ++light) {
        const int cx = 80 + light * 24;
        for (int row = 0; row < 2; ++row) {
            const int cy = 12 + row * 16;
            for (int y = cy - 6; y <= cy + 6; ++y) {
                for (int x = cx - 6; x <= cx + 6; ++x) {
                    const int d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
                    if (d2 <= 36) put(p, x, y, 120 + 3 * (36 - d2), 10, 10);
                }
            }
        }
    }
    // The meeting carries the demo's own name, as its window's title spells it.
    const uint8_t yellow[3] = {250, 200, 40};
    drawText(p, kWindowTitle, (kWidth - textWidth(kWindowTitle, 2)) / 2, 44, 2, yellow);
    return p;
}

// The paddock building: roller doors between concrete pillars under a coloured band.
Picture paintGarage() {
    constexpr int kWidth = 256, kHeight = 64;
    Picture p(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double n = 10 * noise(x, y, kWidth, 32, 191, 2);
            const bool band = y < 12;
            const bool pillar = x % 64 < 8;
            const bool door = !band && !pillar && y > 18;
            double r = 190 + n, g = 188 + n, b = 180 + n;
            if (band) r = 30 + n, g = 60 + n, b = 150 + n;
            if (door) {
                const double slat = (y % 4 == 0) ? -25 : 0;
                r = 150 + slat + n, g = 152 + slat + n, b = 158 + slat + n;
            }
            put(p, x, y, r, g, b);
        }
    }
    const uint8_t white[3] = {250, 250, 250};
    for (int bay = 0; bay < 4; ++bay) {
        const std::string number = "PIT " + std::to_string(bay + 1);
        drawText(p, number, bay * 64 + 8 + (56 - textWidth(number, 1)) / 2, 3, 1, white);
    }
    return p;
}

}  // namespace

std::vector<NamedPicture> paintLandscapeTextures() {
    return {
        {kGrassTextureFile, paintGrass()},    {kConcreteTextureFile, paintConcrete()},
        {kBarkTextureFile, paintBark()},      {kPineTextureFile, paintPine()},
        {kLeavesTextureFile, paintLeaves()},  {kCrowdTextureFile, paintCrowd()},
        {kBannerTextureFile, paintBanners()}, {kGantryTextureFile, paintGantry()},
        {kGarageTextureFile, paintGarage()},
    };
}

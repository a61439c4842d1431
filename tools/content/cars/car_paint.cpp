#include "content/cars/car_paint.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Square-cut racing digits as polylines on a 1 x 2 box (x right, y up).
struct Glyph {
    std::vector<std::vector<std::pair<double, double>>> strokes;
};

const Glyph& glyphFor(char digit) {
    static const Glyph kGlyphs[10] = {
        {{{{0, 0}, {1, 0}, {1, 2}, {0, 2}, {0, 0}}}},
        {{{{0.2, 1.6}, {0.55, 2}, {0.55, 0}}, {{0.15, 0}, {0.95, 0}}}},
        {{{{0, 2}, {1, 2}, {1, 1}, {0, 1}, {0, 0}, {1, 0}}}},
        {{{{0, 2}, {1, 2}, {1, 0}, {0, 0}}, {{0.25, 1}, {1, 1}}}},
        {{{{0, 2}, {0, 0.8}, {1, 0.8}}, {{0.75, 1.5}, {0.75, 0}}}},
        {{{{1, 2}, {0, 2}, {0, 1.05}, {1, 1.05}, {1, 0}, {0, 0}}}},
        {{{{1, 2}, {0, 2}, {0, 0}, {1, 0}, {1, 1.05}, {0, 1.05}}}},
        {{{{0, 2}, {1, 2}, {0.35, 0}}}},
        {{{{0, 0}, {1, 0}, {1, 2}, {0, 2}, {0, 0}}, {{0, 1}, {1, 1}}}},
        {{{{0, 0}, {1, 0}, {1, 2}, {0, 2}, {0, 0.95}, {1, 0.95}}}},
    };
    return kGlyphs[(digit >= '0' && digit <= '9') ? digit - '0' : 8];
}

double segmentDistance(double px, double py, double ax, double ay, double bx, double by) {
    const double dx = bx - ax;
    const double dy = by - ay;
    const double lengthSq = dx * dx + dy * dy;
    const double t = lengthSq > 0.0 ? clampUnit(((px - ax) * dx + (py - ay) * dy) / lengthSq) : 0.0;
    const double ex = px - (ax + t * dx);
    const double ey = py - (ay + t * dy);
    return std::sqrt(ex * ex + ey * ey);
}

// Distance from (x, y), in glyph units, to the nearest stroke centre line.
double glyphDistance(char digit, double x, double y) {
    double best = 1e9;
    for (const auto& stroke : glyphFor(digit).strokes) {
        for (size_t i = 0; i + 1 < stroke.size(); ++i)
            best = std::min(best, segmentDistance(x, y, stroke[i].first, stroke[i].second,
                                                  stroke[i + 1].first, stroke[i + 1].second));
    }
    return best;
}

constexpr double kStroke = 0.17;   // half stroke width, glyph units
constexpr double kAdvance = 1.65;  // glyph box plus spacing, glyph units
constexpr double kInset = 0.2;     // the box's strokes stand this far inside its sides

// Smallest distance to any glyph's stroke centre, in glyph units (the box is 2 units tall).
double textDistance(const std::string& text, double height, double x, double y) {
    const double unit = height / (2.0 + 2.0 * kInset);
    const double gx = x / unit;
    const double gy = y / unit - kInset;
    double best = 1e9;
    for (size_t i = 0; i < text.size(); ++i)
        best = std::min(
            best, glyphDistance(text[i], gx - kInset - kAdvance * static_cast<double>(i), gy));
    return best * unit;
}

}  // namespace

Rgb mixRgb(const Rgb& a, const Rgb& b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb scaleRgb(const Rgb& c, double factor) { return {c.r * factor, c.g * factor, c.b * factor}; }

double clampUnit(double v) { return std::min(1.0, std::max(0.0, v)); }

double smoothStep(double edge0, double edge1, double v) {
    const double t = clampUnit((v - edge0) / (edge1 - edge0));
    return t * t * (3.0 - 2.0 * t);
}

double numberWidth(const std::string& text, double height) {
    const double unit = height / (2.0 + 2.0 * kInset);
    if (text.empty()) return 0.0;
    return unit * (kAdvance * static_cast<double>(text.size() - 1) + 1.0 + 2.0 * kInset);
}

double numberInk(const std::string& text, double height, double x, double y) {
    const double unit = height / (2.0 + 2.0 * kInset);
    return textDistance(text, height, x, y) <= kStroke * unit ? 1.0 : 0.0;
}

double numberOutline(const std::string& text, double height, double border, double x, double y) {
    const double unit = height / (2.0 + 2.0 * kInset);
    return textDistance(text, height, x, y) <= kStroke * unit + border ? 1.0 : 0.0;
}

namespace {

SkinPart partOfTexel(const CarAtlas& atlas, int x, int y, const AtlasRect*& rect) {
    const std::pair<SkinPart, const AtlasRect*> parts[] = {
        {SkinPart::SideRight, &atlas.sideRight},
        {SkinPart::SideLeft, &atlas.sideLeft},
        {SkinPart::Top, &atlas.top},
        {SkinPart::Front, &atlas.front},
        {SkinPart::Rear, &atlas.rear},
        {SkinPart::Wheel, &atlas.wheel},
        {SkinPart::Tread, &atlas.tread},
    };
    for (const auto& part : parts) {
        const AtlasRect& r = *part.second;
        if (x >= r.x0 && x < r.x1 && y >= r.y0 && y < r.y1) {
            rect = part.second;
            return part.first;
        }
    }
    rect = &atlas.shadow;
    return SkinPart::Shadow;
}

uint8_t toByte(double v) {
    return static_cast<uint8_t>(std::lround(std::min(255.0, std::max(0.0, v))));
}

}  // namespace

Picture paintCarAtlas(const CarAtlas& atlas, const SkinPaint& paint) {
    Picture picture(atlas.width, atlas.height);
    for (int y = 0; y < atlas.height; ++y) {
        for (int x = 0; x < atlas.width; ++x) {
            const AtlasRect* rect = nullptr;
            const SkinPart part = partOfTexel(atlas, x, y, rect);
            Rgb sum;
            for (double sy : {0.25, 0.75}) {
                for (double sx : {0.25, 0.75}) {
                    const Rgb c = paint(part, rect->planeA(x + sx), rect->planeB(y + sy));
                    sum = {sum.r + c.r * 0.25, sum.g + c.g * 0.25, sum.b + c.b * 0.25};
                }
            }
            picture.set(x, y, toByte(sum.r), toByte(sum.g), toByte(sum.b));
        }
    }
    return picture;
}

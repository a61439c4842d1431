#pragma once
#include <functional>
#include <string>

#include "content/cars/car_atlas.h"
#include "content/pack/bmp_writer.h"

struct Rgb {
    double r = 0.0, g = 0.0, b = 0.0;
};

Rgb mixRgb(const Rgb& a, const Rgb& b, double t);
Rgb scaleRgb(const Rgb& c, double factor);
double clampUnit(double v);
double smoothStep(double edge0, double edge1, double v);

// Which part of the atlas a texel belongs to; the painter hands each texel's model-plane
// coordinates (a, b) of that part's rectangle to the paint function.
enum class SkinPart { SideRight, SideLeft, Top, Front, Rear, Wheel, Tread, Shadow };

using SkinPaint = std::function<Rgb(SkinPart part, double a, double b)>;

// Fills a width x height picture part by part, averaging 2 x 2 samples per texel so edges of
// windows, stripes and numbers come out smooth.
Picture paintCarAtlas(const CarAtlas& atlas, const SkinPaint& paint);

// Coverage (0..1) of racing-number text at (x, y): the digits stand on y = 0 with their
// left end at x = 0 and are `height` tall. Only the digits 0-9 have glyphs.
double numberInk(const std::string& text, double height, double x, double y);
// The same text's outline: coverage of a band `border` wide around the strokes.
double numberOutline(const std::string& text, double height, double border, double x, double y);
// Width of the text at that height, to centre it.
double numberWidth(const std::string& text, double height);

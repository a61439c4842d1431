#pragma once

// A rectangle of a texture picture (pixels, rows top to bottom, half-open) onto which a
// window of a model plane (a, b) is mapped linearly: a0 lands on the left edge x0, a1 on the
// right edge x1, b0 on the top row y0 and b1 on the bottom edge y1. Reversed ranges mirror.
struct AtlasRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    double a0 = 0.0, a1 = 1.0, b0 = 0.0, b1 = 1.0;

    // Picture position (pixels, fractional) of a model-plane point.
    double pixelX(double a) const { return x0 + (a - a0) / (a1 - a0) * (x1 - x0); }
    double pixelY(double b) const { return y0 + (b - b0) / (b1 - b0) * (y1 - y0); }
    // Model-plane point at a picture position (the inverse of the two above).
    double planeA(double px) const { return a0 + (px - x0) / (x1 - x0) * (a1 - a0); }
    double planeB(double py) const { return b0 + (py - y0) / (y1 - y0) * (b1 - b0); }
};

// Where each part of a car lives in its one texture picture. The texture's bottom row is
// t = 0 while the picture's first row is its top, hence the flip in texT.
struct CarAtlas {
    int width = 512;
    int height = 256;
    AtlasRect sideRight;  // a = y, b = z: seen from +x, the nose on the left
    AtlasRect sideLeft;   // a = y, b = z: seen from -x, the nose on the right
    AtlasRect top;        // a = y, b = x: plan view of bonnet, roof and deck
    AtlasRect front;      // a = x, b = z: the nose face seen from ahead
    AtlasRect rear;       // a = x, b = z: the tail face seen from behind
    AtlasRect wheel;      // a, b in -1..1: the tyre wall and rim seen from outside
    AtlasRect tread;      // a = turn 0..1, b = across the tread 0..1
    AtlasRect shadow;     // one dark patch for surfaces nobody sees (underside, inner faces)

    double texS(double px) const { return px / width; }
    double texT(double py) const { return 1.0 - py / height; }
};

// The atlas layout shared by both cars: both sides, the plan view and the end faces, sized to
// a body spanning y in [front, rear], half width up to maxHalfWidth and height up to maxHeight.
CarAtlas makeCarAtlas(double front, double rear, double maxHalfWidth, double maxHeight);

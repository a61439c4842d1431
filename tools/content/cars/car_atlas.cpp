#include "content/cars/car_atlas.h"

namespace {

AtlasRect rect(int x0, int y0, int x1, int y1, double a0, double a1, double b0, double b1) {
    AtlasRect r;
    r.x0 = x0;
    r.y0 = y0;
    r.x1 = x1;
    r.y1 = y1;
    r.a0 = a0;
    r.a1 = a1;
    r.b0 = b0;
    r.b1 = b1;
    return r;
}

}  // namespace

CarAtlas makeCarAtlas(double front, double rear, double maxHalfWidth, double maxHeight) {
    // A margin round every projection keeps the mesh's texture coordinates off the region
    // edges, where filtering would pull in the neighbouring region.
    const double m = 0.03;
    const double w = maxHalfWidth + m;
    CarAtlas atlas;
    atlas.sideRight = rect(0, 0, 448, 80, front - m, rear + m, maxHeight + m, -m);
    atlas.sideLeft = rect(0, 80, 448, 160, rear + m, front - m, maxHeight + m, -m);
    atlas.top = rect(0, 160, 448, 256, front - m, rear + m, -w, w);
    atlas.front = rect(448, 0, 512, 40, -w, w, 0.5, 0.0);
    atlas.rear = rect(448, 40, 512, 80, w, -w, 0.5, 0.0);
    atlas.wheel = rect(448, 80, 512, 144, -1.08, 1.08, 1.08, -1.08);
    atlas.tread = rect(448, 144, 512, 160, -0.03, 1.03, -0.1, 1.1);
    atlas.shadow = rect(448, 160, 512, 256, 0.0, 1.0, 0.0, 1.0);
    return atlas;
}

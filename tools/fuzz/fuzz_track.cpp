// Fuzz entry point for the track's triangle reader: any file gives at most 3000 triangles of
// finite corners, and the height query answers a finite number (-100 for no surface)
// wherever it is asked, on a corner, inside a triangle or at a point that is no number.
#include <cmath>
#include <limits>
#include <memory>

#include "memory_file.h"
#include "world/track.h"

namespace {

void checkHeight(const Track& track, float x, float y, float z) {
    require(std::isfinite(track.heightAt(x, y, z)), "height query gave a non-finite number");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const MemoryFile file(data, size);
    auto track = std::make_unique<Track>();
    require(track->readTriangles(file.path()), "a regular file was not read");
    require(track->triangleCount >= 0 && track->triangleCount <= Track::kMaxTriangles,
            "table past its limit");
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    checkHeight(*track, 0, 0, 0);
    checkHeight(*track, nan, 0, 0);
    checkHeight(*track, inf, -inf, 1);
    for (int i = 0; i < track->triangleCount && i < 8; ++i) {
        const Triangle& t = track->triangles[i];
        for (const Vec3& corner : t.corner)
            require(isFinite(corner), "triangle with a non-finite corner");
        checkHeight(*track, t.corner[0].x, t.corner[0].y, t.corner[1].z);
        checkHeight(*track, (t.corner[0].x + t.corner[1].x + t.corner[2].x) / 3,
                    (t.corner[0].y + t.corner[1].y + t.corner[2].y) / 3, nan);
    }
    return 0;
}

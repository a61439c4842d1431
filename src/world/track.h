#pragma once
#include <cstdint>

#include "assets/model_parser.h"
#include "world/vec3.h"

struct Triangle {
    Vec3 corner[3];
};

// What reading a track file passed over, and where it stopped; faces are counted from 1
// within their object.
struct TrackReading {
    int32_t tooManyVerts = 0;         // vertex sections of more than 3000 entries
    ModelSkippedFaces outsideObject;  // a vertex index the object does not hold
    ModelSkippedFaces notFinite;      // a corner beyond the 32-bit float range
    ModelSkippedFaces pastTable;      // faces after the table's last slot
    size_t endedInsideAt = 0;         // the last line of a file that ends inside an object
    size_t endedInsideObject = 0;     // and that object, counted from 1
};

// The drivable surface: the model's faces as world-space triangles for height queries,
// and the same model's display list for drawing.
class Track {
  public:
    static constexpr int kMaxTriangles = 3000;

    // Reads the triangles of path, then builds modelList with loadModel, which ends the
    // process with its message when the file cannot be loaded.
    explicit Track(const char* path);
    // An empty surface with no display list, for callers that fill it with readTriangles.
    Track();

    // Reads the triangle table of an ASCII model file (prints "Track Init..." and "OK\n").
    // Triangles with a corner beyond the 32-bit float range are left out, counted in one
    // warning line on standard error that names the file; a file that ends inside an
    // object keeps the triangles read so far, with one warning line naming the file and the
    // line. Returns false, with an empty table and a line naming the file, when it is not a
    // regular file or cannot be opened.
    bool readTriangles(const char* path);
    // The same reading without a word: false when the file cannot be opened; reading says
    // what was passed over.
    bool loadTriangles(const char* path, TrackReading& reading);
    void draw() const;
    // Height of the surface on the vertical through (x, y), nearer to z among the first two
    // hits; -100 when there is none. Always a finite number, whatever the point.
    float heightAt(float x, float y, float z) const;

    uint32_t modelList = 0;
    Triangle triangles[kMaxTriangles];
    int32_t triangleCount = 0;
};

// Moller-Trumbore ray/triangle test without culling, inclusive bounds, in doubles. A ray or
// triangle with a non-finite value never hits.
bool intersectRayTriangle(const double orig[3], const double dir[3], const double vert0[3],
                          const double vert1[3], const double vert2[3], double* t, double* u,
                          double* v);

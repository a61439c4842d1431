#include "world/track.h"

#include <GL/gl.h>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "assets/model.h"
#include "assets/model_parser.h"
#include "platform/dialogs.h"
#include "platform/files.h"

namespace {

constexpr int kMaxVertices = 3000;
constexpr float kNoSurface = -100.0f;

bool is(const char* line, const char* keyword) { return std::strcmp(line, keyword) == 0; }

// Reads lines up to and including the next "NEXT". Returns false at the end of the file.
bool skipSection(ModelLineReader& lines) {
    while (const char* line = lines.next()) {
        if (is(line, "NEXT")) return true;
    }
    return false;
}

// One object's reading state: its own vertex table, restarted for every object. Lines,
// numbers and coordinates are read exactly as the drawing loader reads them.
struct ObjectReader {
    ObjectReader(FILE* source, Track& target, TrackReading& reading)
        : lines(source), track(target), reading(reading) {}

    ModelLineReader lines;
    Track& track;
    TrackReading& reading;
    Vec3 vtx[kMaxVertices];  // already in world units
    int vertexCount = 0;
    size_t objectIndex = 0;
    size_t faceIndex = 0;

    bool readVertices();
    bool readFaces();
    bool readObject();
    void addFace(const int32_t index[3]);
};

// Fills vtx up to the section's "NEXT". Returns false when the file ends inside it.
bool ObjectReader::readVertices() {
    vertexCount = 0;
    while (const char* line = lines.next()) {
        if (is(line, "NEXT")) return true;
        float value[3] = {parseModelCoordinate(line)};
        for (int i = 1; i < 3; ++i) {
            if (!(line = lines.next())) return false;
            value[i] = parseModelCoordinate(line);
        }
        if (vertexCount == kMaxVertices) {
            ++reading.tooManyVerts;
            // The overlong rest is passed over so that the sections after it stay in step.
            return skipSection(lines);
        }
        vtx[vertexCount++] = Vec3{value[0], value[1], value[2]};
    }
    return false;
}

// A face naming a vertex this object does not hold, or one past the full table, is dropped;
// so is one with a corner beyond the float range, which the height query could not use.
void ObjectReader::addFace(const int32_t index[3]) {
    const size_t line = lines.lineNumber();
    for (int corner = 0; corner < 3; ++corner) {
        if (index[corner] < 0 || index[corner] >= vertexCount) {
            reading.outsideObject.add(objectIndex, faceIndex, line);
            return;
        }
    }
    if (!isFinite(vtx[index[0]]) || !isFinite(vtx[index[1]]) || !isFinite(vtx[index[2]])) {
        reading.notFinite.add(objectIndex, faceIndex, line);
        return;
    }
    if (track.triangleCount >= Track::kMaxTriangles) {
        reading.pastTable.add(objectIndex, faceIndex, line);
        return;
    }
    Triangle& slot = track.triangles[track.triangleCount++];
    for (int corner = 0; corner < 3; ++corner) slot.corner[corner] = vtx[index[corner]];
}

// Reads faces up to "END". Returns false when the file ends inside the section.
bool ObjectReader::readFaces() {
    for (faceIndex = 0; const char* line = lines.next(); ++faceIndex) {
        if (is(line, "END")) return true;
        int32_t index[3] = {parseModelInteger(line)};
        for (int i = 1; i < 3; ++i) {
            if (!(line = lines.next())) return false;
            index[i] = parseModelInteger(line);
        }
        addFace(index);
    }
    return false;
}

// Reads the object after its "START" line. Returns false when the file ends inside it.
bool ObjectReader::readObject() {
    if (!lines.skip(2) || !readVertices()) return false;
    for (int section = 0; section < 3; ++section) {
        if (!skipSection(lines)) return false;
    }
    return readFaces();
}

int64_t stepDistance(double difference) {
    const double steps = std::trunc(difference * 10000.0);
    // Out of the 32-bit range (or NaN) counts as the farthest possible distance.
    if (!(steps >= INT32_MIN && steps <= INT32_MAX)) return int64_t{1} << 31;
    return std::llabs(static_cast<int64_t>(steps));
}

// A hit on finite corners lies within their heights, give or take the rounding of the
// test, which may step just past the largest float; that rounding must not overflow.
float toHeight(double t) {
    return static_cast<float>(std::min<double>(std::max<double>(t, -FLT_MAX), FLT_MAX));
}

void widen(const Vec3& v, double out[3]) {
    out[0] = v.x;
    out[1] = v.y;
    out[2] = v.z;
}

void subtract(const double a[3], const double b[3], double out[3]) {
    out[0] = a[0] - b[0];
    out[1] = a[1] - b[1];
    out[2] = a[2] - b[2];
}

void cross(const double a[3], const double b[3], double out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

double dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

}  // namespace

Track::Track() = default;

Track::Track(const char* path) {
    readTriangles(path);
    modelList = loadModel(path);
}

bool Track::readTriangles(const char* path) {
    std::printf("Track Init...");
    TrackReading reading;
    if (!loadTriangles(path, reading)) {
        std::printf("unable to open %s\n", printableText(path ? path : "(null)").c_str());
        return false;
    }
    for (int32_t i = 0; i < reading.tooManyVerts; ++i) std::printf("too many verts");
    if (reading.notFinite.count > 0) {
        std::fprintf(stderr,
                     "Warning: %s: %d triangles with a corner beyond the 32-bit float range were "
                     "left out (first: %s)\n",
                     printableText(path).c_str(), static_cast<int>(reading.notFinite.count),
                     reading.notFinite.first.c_str());
    }
    if (reading.endedInsideAt > 0) {
        std::fprintf(stderr,
                     "Warning: %s: the file ends inside object %zu, at line %zu; the track's "
                     "surface holds what was read up to there\n",
                     printableText(path).c_str(), reading.endedInsideObject, reading.endedInsideAt);
    }
    std::printf("OK\n");
    return true;
}

bool Track::loadTriangles(const char* path, TrackReading& reading) {
    triangleCount = 0;
    FILE* file = openRegularStream(path);
    if (!file) return false;
    // The scratch table is too large for the stack of every caller.
    auto reader = std::make_unique<ObjectReader>(file, *this, reading);
    for (const char* line; (line = reader->lines.next()) && is(line, "START");
         ++reader->objectIndex) {
        if (!reader->readObject()) {
            reading.endedInsideAt = reader->lines.lineNumber();
            reading.endedInsideObject = reader->objectIndex + 1;
            break;
        }
    }
    std::fclose(file);
    return true;
}

void Track::draw() const { glCallList(modelList); }

float Track::heightAt(float x, float y, float z) const {
    const double orig[3] = {x, y, 0.0};
    const double dir[3] = {0.0, 0.0, 1.0};
    float best = kNoSurface;
    bool seen = false;
    for (int32_t i = 0; i < triangleCount; ++i) {
        double vert0[3], vert1[3], vert2[3];
        widen(triangles[i].corner[0], vert0);
        widen(triangles[i].corner[1], vert1);
        widen(triangles[i].corner[2], vert2);
        double t, u, v;
        if (!intersectRayTriangle(orig, dir, vert0, vert1, vert2, &t, &u, &v)) continue;
        if (!seen) {
            best = toHeight(t);
            seen = true;
            continue;
        }
        // Only the first two surfaces compete; equal distances in 0.0001 steps go to the later.
        const int64_t d1 = stepDistance(static_cast<double>(best) - z);
        const int64_t d2 = stepDistance(t - z);
        return d1 >= d2 ? toHeight(t) : best;
    }
    return best;
}

bool intersectRayTriangle(const double orig[3], const double dir[3], const double vert0[3],
                          const double vert1[3], const double vert2[3], double* t, double* u,
                          double* v) {
    double edge1[3], edge2[3], tvec[3], pvec[3], qvec[3];
    subtract(vert1, vert0, edge1);
    subtract(vert2, vert0, edge2);
    cross(dir, edge2, pvec);
    const double det = dot(edge1, pvec);
    if (det > -0.000001 && det < 0.000001) return false;
    const double inv = 1.0 / det;
    subtract(orig, vert0, tvec);
    // The bounds are written so that NaN (from a point or a corner at infinity) fails them.
    *u = dot(tvec, pvec) * inv;
    if (!(*u >= 0.0 && *u <= 1.0)) return false;
    cross(tvec, edge1, qvec);
    *v = dot(dir, qvec) * inv;
    if (!(*v >= 0.0 && *u + *v <= 1.0)) return false;
    const double hit = dot(edge2, qvec) * inv;
    if (!std::isfinite(hit)) return false;
    *t = hit;
    return true;
}

#include "world/track.h"

#include <GL/gl.h>
#include <locale.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "assets/model.h"
#include "platform/files.h"

namespace {

constexpr int kMaxVertices = 3000;
constexpr int kLineSize = 256;
constexpr float kNoSurface = -100.0f;

// Model files are written with '.' as the decimal point; the user's locale must not change
// how they read.
locale_t cNumericLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

double readReal(const char* line) { return strtod_l(line, nullptr, cNumericLocale()); }

// atoi, without its undefined result for numbers that do not fit: those saturate and are
// then rejected as face indices like any other out-of-range index.
int32_t readInt(const char* line) {
    const long value = std::strtol(line, nullptr, 10);
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

// fgets into a 256-byte buffer, with a CR LF line end read as LF the way a text-mode
// stream on the files' home platform delivers it. Returns false at the end of the file.
bool readLine(FILE* file, char* line) {
    int length = 0;
    while (length < kLineSize - 1) {
        int c = std::getc(file);
        if (c == EOF) break;
        if (c == '\r') {
            const int next = std::getc(file);
            if (next == '\n') {
                c = '\n';
            } else if (next != EOF) {
                std::ungetc(next, file);
            }
        }
        line[length++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    line[length] = '\0';
    return length > 0;
}

bool isLine(const char* line, const char* marker) { return std::strcmp(line, marker) == 0; }

// Reads lines up to and including the next "NEXT\n". Returns false at the end of the file.
bool skipSection(FILE* file, char* line) {
    while (readLine(file, line)) {
        if (isLine(line, "NEXT\n")) return true;
    }
    return false;
}

// One object's reading state: its own vertex table, restarted for every object.
struct ObjectReader {
    ObjectReader(FILE* source, Track& target) : file(source), track(target) {}

    FILE* file;
    Track& track;
    Vec3 vtx[kMaxVertices];
    int vertexCount = 0;
    char buf[kLineSize];
    char buf2[kLineSize];
    char buf3[kLineSize];

    bool readTriple() { return readLine(file, buf2) && readLine(file, buf3); }
    bool readVertices();
    bool readFaces();
    bool readObject();
    void addFace(int32_t a, int32_t b, int32_t c);
};

// Fills vtx up to the section's "NEXT". Returns false when the file ends inside it.
bool ObjectReader::readVertices() {
    vertexCount = 0;
    while (readLine(file, buf)) {
        if (isLine(buf, "NEXT\n")) return true;
        if (!readTriple()) return false;
        if (vertexCount == kMaxVertices) {
            std::printf("too many verts");
            // The overlong rest is passed over so that the sections after it stay in step.
            return skipSection(file, buf);
        }
        vtx[vertexCount++] = Vec3{static_cast<float>(readReal(buf)), static_cast<float>(readReal(buf2)),
                                  static_cast<float>(readReal(buf3))};
    }
    return false;
}

Vec3 toWorld(const Vec3& v) {
    return Vec3{static_cast<float>(static_cast<double>(v.x) * 0.01), static_cast<float>(static_cast<double>(v.y) * 0.01),
                static_cast<float>(static_cast<double>(v.z) * 0.01)};
}

// A face naming a vertex this object does not hold, or one past the full table, is dropped.
void ObjectReader::addFace(int32_t a, int32_t b, int32_t c) {
    const auto valid = [this](int32_t index) { return index >= 0 && index < vertexCount; };
    if (!valid(a) || !valid(b) || !valid(c)) return;
    if (track.triangleCount >= Track::kMaxTriangles) return;
    Triangle& slot = track.triangles[track.triangleCount++];
    slot.corner[0] = toWorld(vtx[a]);
    slot.corner[1] = toWorld(vtx[b]);
    slot.corner[2] = toWorld(vtx[c]);
}

// Reads faces up to "END". Returns false when the file ends inside the section.
bool ObjectReader::readFaces() {
    while (readLine(file, buf)) {
        if (isLine(buf, "END\n")) return true;
        if (!readTriple()) return false;
        addFace(readInt(buf), readInt(buf2), readInt(buf3));
    }
    return false;
}

// Reads the object after its "START" line. Returns false when the file ends inside it.
bool ObjectReader::readObject() {
    if (!readLine(file, buf) || !readLine(file, buf)) return false;
    if (!readVertices()) return false;
    for (int section = 0; section < 3; ++section) {
        if (!skipSection(file, buf)) return false;
    }
    return readFaces();
}

int64_t stepDistance(double difference) {
    const double steps = std::trunc(difference * 10000.0);
    // Out of the 32-bit range (or NaN) counts as the farthest possible distance.
    if (!(steps >= INT32_MIN && steps <= INT32_MAX)) return int64_t{1} << 31;
    return std::llabs(static_cast<int64_t>(steps));
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
    triangleCount = 0;
    FILE* file = openFile(path, "r");
    if (!file) {
        std::printf("unable to open %s\n", path ? path : "(null)");
        return false;
    }
    // The scratch table is too large for the stack of every caller.
    auto reader = std::make_unique<ObjectReader>(file, *this);
    while (readLine(file, reader->buf) && isLine(reader->buf, "START\n")) {
        if (!reader->readObject()) break;
    }
    std::printf("OK\n");
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
            best = static_cast<float>(t);
            seen = true;
            continue;
        }
        // Only the first two surfaces compete; equal distances in 0.0001 steps go to the later.
        const int64_t d1 = stepDistance(static_cast<double>(best) - z);
        const int64_t d2 = stepDistance(t - z);
        return d1 >= d2 ? static_cast<float>(t) : best;
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
    *u = dot(tvec, pvec) * inv;
    if (*u < 0.0 || *u > 1.0) return false;
    cross(tvec, edge1, qvec);
    *v = dot(dir, qvec) * inv;
    if (*v < 0.0 || *u + *v > 1.0) return false;
    *t = dot(edge2, qvec) * inv;
    return true;
}

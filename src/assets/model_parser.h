#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "world/vec3.h"

// Limits of the ASCII model format.
constexpr size_t kModelMaxObjects = 100;
constexpr size_t kModelMaxEntries =
    3000;  // per table: positions, normals, texture coordinates, faces' indices
constexpr size_t kModelMaxFaces = 3000;  // per object
constexpr int32_t kModelMaxVertexIndex = 3000;
constexpr size_t kModelLineBuffer = 256;  // a line is read 255 characters at a time

// Reads a model file's lines the way the format means them, into one 256-byte buffer: CR LF
// counts as one line feed, a line longer than 255 characters (line feed included) comes in
// pieces that are lines of their own, the line end is removed and anything from a NUL byte
// to the line end is ignored. Both readers of model files (the drawing loader and the
// track) read through it, so they always agree on what a line holds.
class ModelLineReader {
  public:
    explicit ModelLineReader(FILE* file) : file(file) {}

    // The next line; nullptr at the end of the file or on a read error. The text stays
    // valid until the next call.
    const char* next();
    // Skips count lines; false when the file ended first.
    bool skip(size_t count);

  private:
    FILE* file;
    char buf[kModelLineBuffer];
};

// The leading number of a line as decimal text with '.' as the decimal point, whatever the
// locale: blanks skipped, the longest numeric prefix converted, 0 when there is none
// ("inf", "nan" and hexadecimal text are no numbers). Infinite when it overflows a double.
double parseModelReal(const char* line);

// The leading integer of a line (optional sign, digits), saturated to 32 bits; 0 for none.
int32_t parseModelInteger(const char* line);

// A position or normal coordinate in world units: the line's number as a 32-bit float, then
// times 0.01. Infinite when the number lies beyond the float range; readers leave out every
// face or triangle that would use such a value.
float parseModelCoordinate(const char* line);

enum class ModelTextureFault { None, TooManyObjects, FirstTextureMissing };

// What the texture pass finds: the texture line of each object in file order ("xxx"
// included), and the fault met after those objects, which ends the load.
struct ModelTextureList {
    std::vector<std::string> textures;
    ModelTextureFault fault = ModelTextureFault::None;
};

// The texture pass from the file's current position: each object's texture line, up to a
// 101st object or an "xxx" first texture. The end of the file anywhere ends the scan.
ModelTextureList scanModelTextures(FILE* file);

struct ModelTexCoord {
    float u = 0.0f;
    float v = 0.0f;
};

// One face ready to draw: every index selects an entry that its object holds, and every
// value it selects is a finite number.
struct ModelFace {
    int32_t vertex[3] = {0, 0, 0};
    int32_t texCoord[3] = {0, 0, 0};
};

struct ModelObject {
    std::vector<Vec3> positions;  // already scaled by 0.01
    std::vector<Vec3> normals;    // already scaled by 0.01
    std::vector<ModelTexCoord> texCoords;
    std::vector<ModelFace> faces;
};

// Faces left out for one reason: how many, and which came first ("object 2, face 7", both
// counted from 1).
struct ModelSkippedFaces {
    int32_t count = 0;
    std::string first;

    void add(size_t object, size_t face);
};

// What the geometry pass finds besides the objects. An overflowing table or face section
// prints "too many verts" (counted here, for the caller to print); the end of the file
// inside an object ends the model there, keeping the faces read so far.
struct ModelGeometry {
    size_t objectCount = 0;
    int32_t tooManyVerts = 0;
    ModelSkippedFaces outsideObject;  // an index outside the object's tables
    ModelSkippedFaces notFinite;      // a value beyond the 32-bit float range
};

// Receives each object of the geometry pass (its index counted from 0) as soon as it is
// read. The object's tables are reused for the next one, so a load holds one object at a
// time however long the file is.
using ModelObjectSink = std::function<void(const ModelObject& object, size_t index)>;

// The geometry pass from the file's current position.
ModelGeometry parseModelGeometry(FILE* file, const ModelObjectSink& sink);

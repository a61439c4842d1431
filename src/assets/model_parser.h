#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "world/vec3.h"

// Limits of the ASCII model format.
constexpr size_t kModelMaxObjects = 100;
constexpr size_t kModelMaxEntries = 3000;  // per table: positions, normals, texture coordinates, faces' indices
constexpr size_t kModelMaxFaces = 3000;    // per object
constexpr int32_t kModelMaxVertexIndex = 3000;
constexpr size_t kModelLineBuffer = 256;   // a line is read 255 characters at a time

// Splits a model file's content into the lines the format reads: CR LF counts as one line
// feed, a line longer than 255 characters (line feed included) comes in pieces that are lines
// of their own, line ends are removed and anything after a NUL byte is ignored.
std::vector<std::string> splitModelLines(const std::string& text);

// The leading number of a line as decimal text with '.' as the decimal point, whatever the
// locale: blanks skipped, the longest numeric prefix converted, 0 when there is none.
double parseModelReal(const std::string& line);

// The leading integer of a line (optional sign, digits), saturated to 32 bits; 0 for none.
int32_t parseModelInteger(const std::string& line);

enum class ModelTextureFault { None, TooManyObjects, FirstTextureMissing };

// What the texture pass finds: the texture line of each object in file order ("xxx"
// included), and the fault met after those objects, which ends the load.
struct ModelTextureList {
    std::vector<std::string> textures;
    ModelTextureFault fault = ModelTextureFault::None;
};

// The texture pass: each object's texture line, up to a 101st object or an "xxx" first
// texture. The end of the file anywhere ends the scan.
ModelTextureList scanModelTextures(const std::vector<std::string>& lines);

struct ModelTexCoord {
    float u = 0.0f;
    float v = 0.0f;
};

// One face ready to draw: every index selects an entry that its object holds.
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

// What the geometry pass finds. An overflowing table or face section prints "too many verts"
// (kept in transcript, the pass's standard output); a face with an index outside its object
// is left out and counted. The end of the file inside an object ends the model there, keeping
// the faces read so far.
struct ModelGeometry {
    std::vector<ModelObject> objects;
    std::string transcript;
    int32_t skippedFaces = 0;
    std::string firstSkipped;  // "object 2, face 7" (both counted from 1)
};

// The geometry pass over the lines of one file.
ModelGeometry parseModelGeometry(const std::vector<std::string>& lines);

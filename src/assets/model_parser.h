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
    // The line of the file, counted from 1, that the last line read stands on: the pieces
    // of a long line share its number.
    size_t lineNumber() const { return line; }
    // Whether the last line read is a later piece of a line too long to read at once.
    bool continued() const { return continuing; }

  private:
    FILE* file;
    char buf[kModelLineBuffer];
    size_t line = 0;
    size_t nextLine = 1;
    bool continuing = false;
    bool midLine = false;
};

// The leading number of a line as decimal text with '.' as the decimal point, whatever the
// locale: blanks skipped, the longest numeric prefix converted, 0 when there is none
// ("inf", "nan" and hexadecimal text are no numbers). Infinite when it overflows a double.
double parseModelReal(const char* line);

// Whether the line begins (after blanks) with a number; a line without one reads as 0.
bool startsWithModelNumber(const char* line);

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
    std::vector<size_t> lines;  // the line of each texture
    ModelTextureFault fault = ModelTextureFault::None;
    size_t faultLine = 0;  // the texture line of the object that ends the load
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
    size_t line = 0;  // the last line of the first face

    void add(size_t object, size_t face, size_t faceLine);
};

// What the geometry pass finds besides the objects. An overflowing table or face section
// prints "too many verts" (counted here, for the caller to print); the end of the file
// inside an object ends the model there, keeping the faces read so far.
struct ModelGeometry {
    size_t objectCount = 0;
    int32_t tooManyVerts = 0;
    ModelSkippedFaces outsideObject;  // an index outside the object's tables
    ModelSkippedFaces notFinite;      // a value beyond the 32-bit float range
    size_t endedInsideAt = 0;         // the last line of a file that ends inside an object
    size_t endedInsideObject = 0;     // and that object, counted from 1
    size_t stoppedAt = 0;             // the line read where a "START" was due, if any
};

// What each line read by the geometry pass is to it, and what it did at the line; for
// callers that check a file rather than draw it.
enum class ModelLineRole {
    Start,     // an object's "START"
    NotStart,  // the line read where a "START" was due: the model ends at it
    FreeText,  // an object's second line
    Texture,   // an object's third line
    Position,  // one of an entry's value lines, by section
    Normal,
    TexCoord,
    TexCoordIndex,
    SectionEnd,      // "NEXT"
    FaceIndex,       // one of a face's three vertex-index lines
    End,             // "END"
    TooManyEntries,  // the entry just read did not fit its table ("too many verts")
    TooManyFaces,    // the face just read is past the object's 3000 ("too many verts")
    IndexPastLimit,  // the face just read names a vertex index of 3000 or more (the same)
};
using ModelLineWatch =
    std::function<void(ModelLineRole role, const ModelLineReader& lines, const char* text)>;

// Receives each object of the geometry pass (its index counted from 0) as soon as it is
// read. The object's tables are reused for the next one, so a load holds one object at a
// time however long the file is.
using ModelObjectSink = std::function<void(const ModelObject& object, size_t index)>;

// The geometry pass from the file's current position; watch, when given, sees every line
// it reads (and the three "too many verts" events, with the line that caused them).
ModelGeometry parseModelGeometry(FILE* file, const ModelObjectSink& sink,
                                 const ModelLineWatch& watch = nullptr);

// Fuzz entry point for the model parser: any text parses without reading outside its tables,
// and every face it keeps indexes entries its object holds.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "assets/model_parser.h"

namespace {

bool faceInside(const ModelObject& object, const ModelFace& face) {
    for (int corner = 0; corner < 3; ++corner) {
        const int32_t v = face.vertex[corner];
        const int32_t t = face.texCoord[corner];
        if (v < 0 || static_cast<size_t>(v) >= object.positions.size() || static_cast<size_t>(v) >= object.normals.size()) {
            return false;
        }
        if (t < 0 || static_cast<size_t>(t) >= object.texCoords.size()) return false;
    }
    return true;
}

void check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "model invariant broken: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = splitModelLines(text);
    for (const std::string& line : lines) check(line.size() < kModelLineBuffer, "line longer than the buffer");
    const ModelTextureList textures = scanModelTextures(lines);
    check(textures.textures.size() <= kModelMaxObjects, "more texture slots than objects allowed");
    const ModelGeometry geometry = parseModelGeometry(lines);
    for (const ModelObject& object : geometry.objects) {
        check(object.positions.size() <= kModelMaxEntries && object.normals.size() <= kModelMaxEntries &&
                  object.texCoords.size() <= kModelMaxEntries && object.faces.size() <= kModelMaxFaces,
              "table past its limit");
        for (const ModelFace& face : object.faces) check(faceInside(object, face), "face index outside its object");
    }
    return 0;
}

// Fuzz entry point for the model parser: any text parses without reading outside its tables,
// one object at a time, and every face it keeps indexes entries its object holds and uses
// finite numbers only.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "assets/model_parser.h"
#include "memory_file.h"

namespace {

bool drawable(const ModelObject& object, const ModelFace& face) {
    for (int corner = 0; corner < 3; ++corner) {
        const int32_t v = face.vertex[corner];
        const int32_t t = face.texCoord[corner];
        if (v < 0 || static_cast<size_t>(v) >= object.positions.size() ||
            static_cast<size_t>(v) >= object.normals.size() || t < 0 ||
            static_cast<size_t>(t) >= object.texCoords.size()) {
            return false;
        }
        const ModelTexCoord& uv = object.texCoords[static_cast<size_t>(t)];
        if (!isFinite(object.positions[v]) || !isFinite(object.normals[v]) ||
            !std::isfinite(uv.u) || !std::isfinite(uv.v)) {
            return false;
        }
    }
    return true;
}

void checkObject(const ModelObject& object) {
    require(
        object.positions.size() <= kModelMaxEntries && object.normals.size() <= kModelMaxEntries &&
            object.texCoords.size() <= kModelMaxEntries && object.faces.size() <= kModelMaxFaces,
        "table past its limit");
    for (const ModelFace& face : object.faces)
        require(drawable(object, face), "face outside its object or not finite");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    ModelLineReader lines(file);
    while (const char* line = lines.next())
        require(std::strlen(line) < kModelLineBuffer, "line longer than the buffer");
    std::rewind(file);
    require(scanModelTextures(file).textures.size() <= kModelMaxObjects,
            "more texture slots than objects allowed");
    std::rewind(file);
    size_t objects = 0;
    const ModelGeometry geometry =
        parseModelGeometry(file, [&objects](const ModelObject& object, size_t index) {
            require(index == objects++, "objects out of order");
            checkObject(object);
        });
    require(geometry.objectCount == objects, "objects counted wrongly");
    std::fclose(file);
    return 0;
}

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
    size_t lineFeeds = 0;
    for (size_t previous = 0; const char* line = lines.next(); previous = lines.lineNumber()) {
        require(std::strlen(line) < kModelLineBuffer, "line longer than the buffer");
        // A piece of a long line keeps its line's number; any other line is the next one.
        require(lines.lineNumber() == previous + (lines.continued() ? 0 : 1), "lines miscounted");
    }
    for (size_t i = 0; i < size; ++i) lineFeeds += data[i] == '\n' ? 1 : 0;
    require(lines.lineNumber() <= lineFeeds + 1, "more lines than the file holds");
    std::rewind(file);
    require(scanModelTextures(file).textures.size() <= kModelMaxObjects,
            "more texture slots than objects allowed");
    std::rewind(file);
    size_t objects = 0;
    size_t lastLine = 0;
    const ModelGeometry geometry = parseModelGeometry(
        file,
        [&objects](const ModelObject& object, size_t index) {
            require(index == objects++, "objects out of order");
            checkObject(object);
        },
        [&lastLine](ModelLineRole, const ModelLineReader& reader, const char*) {
            require(reader.lineNumber() >= lastLine, "the lines watched went backwards");
            lastLine = reader.lineNumber();
        });
    require(geometry.objectCount == objects, "objects counted wrongly");
    require(geometry.endedInsideAt == 0 || geometry.stoppedAt == 0, "ended twice");
    require(
        geometry.endedInsideAt <= lines.lineNumber() && geometry.stoppedAt <= lines.lineNumber(),
        "a model ended past the file's last line");
    std::fclose(file);
    return 0;
}

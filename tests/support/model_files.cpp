#include "support/model_files.h"

#include <cstdio>
#include <sstream>

#include "support/files.h"

namespace {

template <size_t n>
void writeEntries(std::ostringstream& out, const std::vector<std::array<double, n>>& entries) {
    for (const auto& entry : entries) {
        for (double value : entry) out << value << '\n';
    }
    out << "NEXT\n";
}

}  // namespace

std::string modelText(const std::vector<TestObject>& objects) {
    std::ostringstream out;
    for (const TestObject& object : objects) {
        out << "START\nobject\n" << object.texture << '\n';
        writeEntries(out, object.positions);
        writeEntries(out, object.normals);
        writeEntries(out, object.uvs);
        writeEntries(out, object.faceUvs);
        for (const auto& face : object.faces)
            out << face[0] << '\n' << face[1] << '\n' << face[2] << '\n';
        out << "END\n";
    }
    return out.str();
}

TestObject plate(double z, const std::string& texture) {
    TestObject object;
    object.texture = texture;
    object.positions = {{0, 0, z}, {100, 0, z}, {0, 100, z}};
    object.normals = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
    object.uvs = {{0, 0}, {1, 0}, {0, 1}};
    object.faceUvs = {{0, 1, 2}};
    object.faces = {{0, 1, 2}};
    return object;
}

ParsedModel parseModelText(const std::string& text) {
    ParsedModel model;
    FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
    model.textures = scanModelTextures(file);
    std::rewind(file);
    model.geometry = parseModelGeometry(
        file, [&model](const ModelObject& object, size_t) { model.objects.push_back(object); });
    std::fclose(file);
    return model;
}

ParsedModel parseModelFile(const std::string& path) { return parseModelText(readTextFile(path)); }

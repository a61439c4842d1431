#include "support/model_files.h"

#include <cstdio>

#include "support/files.h"

ParsedModel parseModelText(const std::string& text) {
    ParsedModel model;
    FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
    model.textures = scanModelTextures(file);
    std::rewind(file);
    model.geometry = parseModelGeometry(file, [&model](const ModelObject& object, size_t) { model.objects.push_back(object); });
    std::fclose(file);
    return model;
}

ParsedModel parseModelFile(const std::string& path) { return parseModelText(readTextFile(path)); }

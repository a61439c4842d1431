#include "content/pack/model_writer.h"

#include <cmath>
#include <cstdio>

namespace {

// Fixed-point decimal text without printf, so no locale can change the decimal point.
void appendNumber(std::string& out, double value, int decimals) {
    long long scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    long long fixed = std::llround(value * static_cast<double>(scale));
    if (fixed < 0) {
        out.push_back('-');
        fixed = -fixed;
    }
    out += std::to_string(fixed / scale);
    if (decimals > 0) {
        std::string fraction = std::to_string(fixed % scale);
        while (static_cast<int>(fraction.size()) < decimals) fraction.insert(fraction.begin(), '0');
        while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
        if (!fraction.empty()) out += "." + fraction;
    }
    out.push_back('\n');
}

bool checkLimits(const MeshObject& object, std::string& error) {
    if (object.vertices.size() > kMaxModelEntries || object.faceCount() > kMaxModelEntries) {
        error = "object " + object.name + " has " + std::to_string(object.vertices.size()) +
                " vertices and " + std::to_string(object.faceCount()) + " faces (at most " +
                std::to_string(kMaxModelEntries) + " each)";
        return false;
    }
    for (int32_t index : object.indices) {
        if (index < 0 || static_cast<size_t>(index) >= object.vertices.size()) {
            error = "object " + object.name + " has a face index out of range";
            return false;
        }
    }
    return true;
}

void formatObject(const MeshObject& object, std::string& out) {
    out += "START\n" + (object.name.empty() ? std::string("object") : object.name) + "\n" +
           object.texture + "\n";
    for (const auto& v : object.vertices) {
        appendNumber(out, v.x * 100.0, 3);
        appendNumber(out, v.y * 100.0, 3);
        appendNumber(out, v.z * 100.0, 3);
    }
    out += "NEXT\n";
    for (const auto& v : object.vertices) {
        appendNumber(out, v.nx * 100.0, 3);
        appendNumber(out, v.ny * 100.0, 3);
        appendNumber(out, v.nz * 100.0, 3);
    }
    out += "NEXT\n";
    for (const auto& v : object.vertices) {
        appendNumber(out, v.u, 5);
        appendNumber(out, v.v, 5);
    }
    out += "NEXT\n";
    for (int32_t index : object.indices) out += std::to_string(index) + "\n";
    out += "NEXT\n";
    for (int32_t index : object.indices) out += std::to_string(index) + "\n";
    out += "END\n";
}

}  // namespace

bool formatModel(const std::vector<MeshObject>& objects, size_t faceBudget, std::string& text,
                 std::string& error) {
    text.clear();
    if (objects.empty() || objects.size() > kMaxModelObjects) {
        error = "a model needs 1 to " + std::to_string(kMaxModelObjects) + " objects, not " +
                std::to_string(objects.size());
        return false;
    }
    size_t faces = 0;
    for (const MeshObject& object : objects) faces += object.faceCount();
    if (faces > faceBudget) {
        error = std::to_string(faces) + " faces, over its budget of " + std::to_string(faceBudget);
        return false;
    }
    if (objects.front().texture == "xxx") {
        error = "the first object must name its texture";
        return false;
    }
    for (const MeshObject& object : objects) {
        if (!checkLimits(object, error)) return false;
        formatObject(object, text);
    }
    return true;
}

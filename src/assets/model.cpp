#include "assets/model.h"

#include <GL/gl.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "assets/model_parser.h"
#include "assets/texture.h"
#include "platform/dialogs.h"
#include "platform/files.h"

namespace {

[[noreturn]] void endProcess() {
    std::fflush(stdout);
    std::exit(1);
}

// The whole file as text; ends the process with one message naming it when it cannot be read.
std::string readModelText(const char* path) {
    FILE* file = openFile(path, "rb");
    std::string text;
    if (file) {
        char chunk[65536];
        size_t got = 0;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, got);
        const bool failed = std::ferror(file) != 0;
        std::fclose(file);
        if (!failed) return text;
    }
    const std::string reason = errno != 0 ? std::strerror(errno) : "read error";
    showError(("cannot open model file " + nativePath(path) + ": " + reason).c_str());
    endProcess();
}

// One texture name per object; "xxx" shares the previous object's name.
std::vector<uint32_t> loadTextures(const ModelTextureList& list) {
    std::vector<uint32_t> ids;
    for (const std::string& texture : list.textures) {
        if (texture == "xxx") {
            ids.push_back(ids.back());
            continue;
        }
        GLuint name = 0;
        glGenTextures(1, &name);
        loadMipmappedTexture(texture.c_str(), name);
        std::printf("texture loaded (%i) %s\n", static_cast<int>(name), texture.c_str());
        ids.push_back(name);
    }
    if (list.fault == ModelTextureFault::TooManyObjects) {
        std::printf("\n too many textures for this object");
        endProcess();
    }
    if (list.fault == ModelTextureFault::FirstTextureMissing) {
        std::printf("\n at least first texture needs to be specified!");
        endProcess();
    }
    return ids;
}

void emitObject(const ModelObject& object, uint32_t texture) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_TRIANGLES);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    for (const ModelFace& face : object.faces) {
        for (int corner = 0; corner < 3; ++corner) {
            const ModelTexCoord& t = object.texCoords[static_cast<size_t>(face.texCoord[corner])];
            const Vec3& n = object.normals[static_cast<size_t>(face.vertex[corner])];
            const Vec3& p = object.positions[static_cast<size_t>(face.vertex[corner])];
            glTexCoord2f(t.u, t.v);
            glNormal3f(n.x, n.y, n.z);
            glVertex3f(p.x, p.y, p.z);
        }
    }
    glEnd();
}

void compileModel(uint32_t list, const ModelGeometry& geometry, const std::vector<uint32_t>& textures) {
    glNewList(list, GL_COMPILE);
    glEnable(GL_TEXTURE_2D);
    const size_t count = std::min(geometry.objects.size(), textures.size());
    for (size_t i = 0; i < count; ++i) emitObject(geometry.objects[i], textures[i]);
    glEndList();
}

void warnAboutGeometry(const char* path, const ModelGeometry& geometry, size_t textureSlots) {
    if (geometry.skippedFaces > 0) {
        std::fprintf(stderr, "Warning: %s: %d faces with an index outside their object were left out (first: %s)\n",
                     path, static_cast<int>(geometry.skippedFaces), geometry.firstSkipped.c_str());
    }
    if (geometry.objects.size() > textureSlots) {
        std::fprintf(stderr, "Warning: %s: objects from object %d on have no texture of their own and were left out\n",
                     path, static_cast<int>(textureSlots + 1));
    }
}

}  // namespace

uint32_t loadModel(const char* path) {
    const uint32_t list = glGenLists(1);
    errno = 0;
    const std::string text = readModelText(path);
    std::printf("\nloading %s\n", path);
    const std::vector<std::string> lines = splitModelLines(text);
    const std::vector<uint32_t> textures = loadTextures(scanModelTextures(lines));
    const ModelGeometry geometry = parseModelGeometry(lines);
    compileModel(list, geometry, textures);
    std::fputs(geometry.transcript.c_str(), stdout);
    warnAboutGeometry(path, geometry, textures.size());
    return list;
}

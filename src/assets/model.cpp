#include "assets/model.h"

#include <GL/gl.h>

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

[[noreturn]] void failToRead(const char* what, const char* path, const std::string& reason) {
    showError((std::string(what) + " model file " + nativePath(path) + ": " + reason).c_str());
    endProcess();
}

// Only a regular file is read: a FIFO would block start-up and a device would never end.
FILE* openModel(const char* path) {
    std::string reason;
    FILE* file = openRegularStream(path, &reason);
    if (!file) failToRead("cannot open", path, reason);
    return file;
}

void checkRead(FILE* file, const char* path) {
    if (std::ferror(file)) failToRead("cannot read", path, std::strerror(errno));
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

// Compiles each object as the geometry pass hands it over, so only one object's tables
// are ever held.
ModelGeometry compileModel(FILE* file, uint32_t list, const std::vector<uint32_t>& textures) {
    glNewList(list, GL_COMPILE);
    glEnable(GL_TEXTURE_2D);
    const ModelGeometry geometry =
        parseModelGeometry(file, [&textures](const ModelObject& object, size_t index) {
            if (index < textures.size()) emitObject(object, textures[index]);
        });
    glEndList();
    return geometry;
}

void warnAboutFaces(const char* path, const ModelSkippedFaces& skipped, const char* why) {
    if (skipped.count == 0) return;
    std::fprintf(stderr, "Warning: %s: %d faces with %s were left out (first: %s)\n",
                 printableText(path).c_str(), static_cast<int>(skipped.count), why,
                 skipped.first.c_str());
}

void warnAboutGeometry(const char* path, const ModelGeometry& geometry, size_t textureSlots) {
    warnAboutFaces(path, geometry.outsideObject, "an index outside their object");
    warnAboutFaces(path, geometry.notFinite, "a number beyond the 32-bit float range");
    if (geometry.endedInsideAt > 0) {
        std::fprintf(stderr,
                     "Warning: %s: the file ends inside object %zu, at line %zu; the model is "
                     "drawn as far as it was read\n",
                     printableText(path).c_str(), geometry.endedInsideObject,
                     geometry.endedInsideAt);
    }
    if (geometry.objectCount > textureSlots) {
        std::fprintf(stderr,
                     "Warning: %s: objects from object %d on have no texture of their own and were "
                     "left out\n",
                     printableText(path).c_str(), static_cast<int>(textureSlots + 1));
    }
}

}  // namespace

uint32_t loadModel(const char* path) {
    const uint32_t list = glGenLists(1);
    FILE* file = openModel(path);
    std::printf("\nloading %s\n", path);
    const ModelTextureList textureList = scanModelTextures(file);
    checkRead(file, path);
    const std::vector<uint32_t> textures = loadTextures(textureList);
    std::rewind(file);
    const ModelGeometry geometry = compileModel(file, list, textures);
    checkRead(file, path);
    std::fclose(file);
    for (int32_t i = 0; i < geometry.tooManyVerts; ++i) std::fputs("too many verts", stdout);
    warnAboutGeometry(path, geometry, textures.size());
    return list;
}

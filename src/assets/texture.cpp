#include "assets/texture.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#include "assets/bitmap.h"
#include "platform/dialogs.h"

namespace {

// Rows of width * 3 bytes carry no filler, so uploads read them byte-aligned; the caller's
// alignment is put back afterwards.
class ByteAlignedUnpack {
  public:
    ByteAlignedUnpack() {
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &previous);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    }
    ~ByteAlignedUnpack() { glPixelStorei(GL_UNPACK_ALIGNMENT, previous); }
    ByteAlignedUnpack(const ByteAlignedUnpack&) = delete;
    ByteAlignedUnpack& operator=(const ByteAlignedUnpack&) = delete;

  private:
    GLint previous = 4;
};

std::vector<uint8_t> keyOutBlack(const ImageRecord& image) {
    const size_t pixels = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
    std::vector<uint8_t> rgba(pixels * 4);
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* in = &image.data[i * 3];
        uint8_t* out = &rgba[i * 4];
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
        out[3] = (in[0] | in[1] | in[2]) ? 255 : 0;
    }
    return rgba;
}

const char kOutOfMemory[] = "Out of memory.";

}  // namespace

void loadMaskedTexture(const char* path, uint32_t name) {
    const std::unique_ptr<ImageRecord> image = loadBitmap(path);
    if (!image) return;
    std::vector<uint8_t> rgba;
    try {
        rgba = keyOutBlack(*image);
    } catch (const std::bad_alloc&) {
        showError(kOutOfMemory);
        return;
    }
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    const ByteAlignedUnpack unpack;
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image->width, image->height, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, rgba.data());
    if (glGetError() == GL_OUT_OF_MEMORY) showError(kOutOfMemory);
}

void loadMipmappedTexture(const char* path, uint32_t name) {
    if (!path) return;
    const std::unique_ptr<ImageRecord> image = loadBitmap(path);
    if (!image) {
        // The scene cannot go on without this texture; the reader has said why.
        std::fflush(stdout);
        std::exit(1);
    }
    glBindTexture(GL_TEXTURE_2D, name);
    GLint built = 0;
    {
        const ByteAlignedUnpack unpack;
        built = gluBuild2DMipmaps(GL_TEXTURE_2D, 3, image->width, image->height, GL_RGB,
                                  GL_UNSIGNED_BYTE, image->data.data());
    }
    if (built == GLU_OUT_OF_MEMORY) {
        // Without its image the texture is as unusable as an unreadable bitmap.
        showError(kOutOfMemory);
        std::fflush(stdout);
        std::exit(1);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
}

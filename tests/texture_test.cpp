#include "assets/texture.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/gl_context.h"
#include "support/tiny_content.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A parameter of the bound texture, or of one of its levels.
GLint parameter(GLenum name, int level = -1) {
    GLint value = -1;
    if (level < 0) {
        glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    } else {
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    }
    return value;
}

class TextureUpload : public ::testing::Test {
  protected:
    void SetUp() override { ensureGlContext(); }

    GLuint newName() {
        GLuint name = 0;
        glGenTextures(1, &name);
        return name;
    }
    // Level 0 of the texture; leaves it bound.
    Bytes readBack(GLuint name, GLenum format, int channels, int width, int height) {
        glBindTexture(GL_TEXTURE_2D, name);
        Bytes texels(static_cast<size_t>(width) * height * channels);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, texels.data());
        return texels;
    }

    TempDir dir;
};

TEST_F(TextureUpload, AMaskedTextureKeysOutExactBlackOnlyAtItsOwnSizeLoadsTwiceAlikeOrNotAtAll) {
    // 4 x 2, bottom row: black, (0,0,1), (1,0,0), white; top row all black.
    dir.write("mask.bmp", rgbBmp(4, 2, {0, 0, 0, 0, 0, 1, 1, 0, 0, 255, 255, 255,
                                        0, 0, 0, 0, 0, 0, 0, 0, 0, 0,   0,   0}));
    const GLuint first = newName();
    const GLuint second = newName();
    loadMaskedTexture(dir.file("mask.bmp").c_str(), first);
    loadMaskedTexture(dir.file("mask.bmp").c_str(), second);
    const Bytes texels = readBack(first, GL_RGBA, 4, 4, 2);
    const Bytes expected = {0, 0, 0, 0, 0, 0, 1, 255, 1, 0, 0, 255, 255, 255, 255, 255,
                            0, 0, 0, 0, 0, 0, 0, 0,   0, 0, 0, 0,   0,   0,   0,   0};
    EXPECT_EQ(texels, expected);
    EXPECT_EQ(parameter(GL_TEXTURE_WIDTH, 0), 4);
    EXPECT_EQ(parameter(GL_TEXTURE_HEIGHT, 0), 2);
    EXPECT_EQ(parameter(GL_TEXTURE_WIDTH, 1), 0) << "a single level";
    EXPECT_EQ(parameter(GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(parameter(GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(readBack(second, GL_RGBA, 4, 4, 2), expected);
    // An unreadable bitmap leaves its name without an image, and start-up goes on.
    const GLuint missing = newName();
    OutputCapture err(2);
    loadMaskedTexture(dir.file("missing.bmp").c_str(), missing);
    EXPECT_EQ(err.finish(), "Error: Failed to open DIB file " + dir.file("missing.bmp") + ".\n");
    glBindTexture(GL_TEXTURE_2D, missing);
    EXPECT_EQ(parameter(GL_TEXTURE_WIDTH, 0), 0);
}

TEST_F(TextureUpload, AMipmappedTextureHasEveryLevelDownToOneByOneAndItsRowsArriveUnshifted) {
    // 2 x 32, red below blue: rows of 6 bytes, which read with 4-byte alignment would each
    // start two bytes later than the one before.
    Bytes rgb;
    for (int i = 0; i < 64; ++i)
        rgb.insert(rgb.end(), {uint8_t(i < 32 ? 255 : 0), 0, uint8_t(i < 32 ? 0 : 255)});
    dir.write("tex/tall.bmp", rgbBmp(2, 32, rgb));
    ScopedCwd cwd(dir.path());
    const GLuint name = newName();
    loadMipmappedTexture("tex\\tall.bmp", name);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), name);
    for (int level = 0; level < 6; ++level) {
        EXPECT_EQ(parameter(GL_TEXTURE_WIDTH, level), std::max(2 >> level, 1)) << level;
        EXPECT_EQ(parameter(GL_TEXTURE_HEIGHT, level), 32 >> level) << level;
    }
    EXPECT_EQ(parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_NEAREST);
    EXPECT_EQ(parameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(readBack(name, GL_RGB, 3, 2, 32), rgb);
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4) << "the caller's alignment comes back";
}

}  // namespace

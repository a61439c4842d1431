#include "assets/texture.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/files.h"
#include "support/gl_context.h"

namespace {

using Bytes = std::vector<uint8_t>;

void put32(Bytes& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A 24-bit bitmap of rows given bottom row first as R, G, B.
Bytes bmp24(int width, int height, const Bytes& rgb) {
    Bytes out = {'B', 'M'};
    const int stride = (width * 3 + 3) & ~3;
    put32(out, static_cast<uint32_t>(54 + stride * height));
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, static_cast<uint32_t>(width));
    put32(out, static_cast<uint32_t>(height));
    out.insert(out.end(), {1, 0, 24, 0});
    for (int i = 0; i < 6; ++i) put32(out, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            out.insert(out.end(), {p[2], p[1], p[0]});
        }
        out.resize(out.size() + static_cast<size_t>(stride - width * 3), 0);
    }
    return out;
}

Bytes filled(int width, int height, Bytes rgb) {
    Bytes out;
    for (int i = 0; i < width * height; ++i) out.insert(out.end(), rgb.begin(), rgb.end());
    return out;
}

GLint levelParameter(int level, GLenum name) {
    GLint value = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
}

}  // namespace

class TextureUpload : public ::testing::Test {
protected:
    void SetUp() override { ensureGlContext(); }

    GLuint newName() {
        GLuint name = 0;
        glGenTextures(1, &name);
        return name;
    }

    Bytes readBack(GLuint name, GLenum format, int channels, int width, int height) {
        glBindTexture(GL_TEXTURE_2D, name);
        Bytes texels(static_cast<size_t>(width) * height * channels);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, texels.data());
        return texels;
    }

    TempDir dir;
};

TEST_F(TextureUpload, MaskedTextureKeysOutExactBlackOnly) {
    // 4 x 2, bottom row: black, (0,0,1), (1,0,0), white; top row all black.
    Bytes rgb = {0, 0, 0, 0, 0, 1, 1, 0, 0, 255, 255, 255};
    const Bytes black = filled(4, 1, {0, 0, 0});
    rgb.insert(rgb.end(), black.begin(), black.end());
    dir.write("mask.bmp", bmp24(4, 2, rgb));
    const GLuint name = newName();
    loadMaskedTexture(dir.file("mask.bmp").c_str(), name);
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const Bytes texels = readBack(name, GL_RGBA, 4, 4, 2);
    const Bytes expectedBottom = {0, 0, 0, 0, 0, 0, 1, 255, 1, 0, 0, 255, 255, 255, 255, 255};
    EXPECT_EQ(Bytes(texels.begin(), texels.begin() + 16), expectedBottom);
    for (size_t i = 16; i < texels.size(); i += 4) EXPECT_EQ(texels[i + 3], 0) << i;
    GLint filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_NEAREST);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
    EXPECT_EQ(filter, GL_NEAREST);
}

TEST_F(TextureUpload, AllBlackMaskedTextureIsFullyTransparentSingleLevel) {
    dir.write("black.bmp", bmp24(64, 32, filled(64, 32, {0, 0, 0})));
    const GLuint name = newName();
    loadMaskedTexture(dir.file("black.bmp").c_str(), name);
    const Bytes texels = readBack(name, GL_RGBA, 4, 64, 32);
    for (size_t i = 3; i < texels.size(); i += 4) ASSERT_EQ(texels[i], 0) << i;
    EXPECT_EQ(levelParameter(0, GL_TEXTURE_WIDTH), 64);
    EXPECT_EQ(levelParameter(0, GL_TEXTURE_HEIGHT), 32);
    EXPECT_EQ(levelParameter(1, GL_TEXTURE_WIDTH), 0);
}

TEST_F(TextureUpload, UnreadableMaskedTextureLeavesTheNameWithoutAnImage) {
    const GLuint name = newName();
    OutputCapture err(2);
    loadMaskedTexture(dir.file("missing.bmp").c_str(), name);
    EXPECT_EQ(err.finish(), "Error: Failed to open DIB file " + dir.file("missing.bmp") + ".\n");
    glBindTexture(GL_TEXTURE_2D, name);
    EXPECT_EQ(levelParameter(0, GL_TEXTURE_WIDTH), 0);
}

TEST_F(TextureUpload, MipmappedTextureHasEveryLevelDownToOneByOne) {
    dir.write("tex/wide.bmp", bmp24(64, 32, filled(64, 32, {200, 100, 50})));
    ScopedCwd cwd(dir.path());
    const GLuint name = newName();
    loadMipmappedTexture("tex\\wide.bmp", name);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), name);
    int width = 64;
    int height = 32;
    for (int level = 0; level < 7; ++level) {
        EXPECT_EQ(levelParameter(level, GL_TEXTURE_WIDTH), width) << level;
        EXPECT_EQ(levelParameter(level, GL_TEXTURE_HEIGHT), height) << level;
        width = width > 1 ? width / 2 : 1;
        height = height > 1 ? height / 2 : 1;
    }
    EXPECT_EQ(levelParameter(6, GL_TEXTURE_WIDTH), 1);
    EXPECT_EQ(levelParameter(6, GL_TEXTURE_HEIGHT), 1);
    GLint filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_LINEAR_MIPMAP_NEAREST);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
    EXPECT_EQ(filter, GL_LINEAR);
}

TEST_F(TextureUpload, RowsWhoseLengthIsNoMultipleOfFourArriveUnshifted) {
    // 2 x 2: rows of 6 bytes. Read with 4-byte alignment the top row would start two bytes
    // late and come out red again.
    Bytes rgb = filled(2, 1, {255, 0, 0});
    const Bytes top = filled(2, 1, {0, 0, 255});
    rgb.insert(rgb.end(), top.begin(), top.end());
    dir.write("odd.bmp", bmp24(2, 2, rgb));
    const GLuint name = newName();
    loadMipmappedTexture(dir.file("odd.bmp").c_str(), name);
    const int width = levelParameter(0, GL_TEXTURE_WIDTH);
    ASSERT_EQ(width, 2);
    ASSERT_EQ(levelParameter(0, GL_TEXTURE_HEIGHT), 2);
    const Bytes texels = readBack(name, GL_RGB, 3, width, 2);
    for (int x = 0; x < width; ++x) {
        EXPECT_EQ(Bytes(texels.begin() + x * 3, texels.begin() + x * 3 + 3), (Bytes{255, 0, 0})) << x;
        const size_t top = static_cast<size_t>(width + x) * 3;
        EXPECT_EQ(Bytes(texels.begin() + top, texels.begin() + top + 3), (Bytes{0, 0, 255})) << x;
    }
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4);
}

TEST_F(TextureUpload, NullPathMipmapsNothing) {
    const GLuint name = newName();
    glBindTexture(GL_TEXTURE_2D, 0);
    loadMipmappedTexture(nullptr, name);
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
}

TEST_F(TextureUpload, SameFileTwiceGivesTwoObjectsWithEqualImages) {
    Bytes rgb;
    for (int i = 0; i < 16; ++i) rgb.insert(rgb.end(), {static_cast<uint8_t>(i * 16), 7, static_cast<uint8_t>(i)});
    dir.write("smoke.bmp", bmp24(4, 4, rgb));
    const GLuint first = newName();
    const GLuint second = newName();
    loadMaskedTexture(dir.file("smoke.bmp").c_str(), first);
    loadMaskedTexture(dir.file("smoke.bmp").c_str(), second);
    ASSERT_NE(first, second);
    EXPECT_EQ(readBack(first, GL_RGBA, 4, 4, 4), readBack(second, GL_RGBA, 4, 4, 4));
}

// The failing path ends the process before any OpenGL call, so it runs without a context;
// each death test re-executes the test program rather than forking a process that holds one.
class TextureUploadDeathTest : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
    TempDir dir;
};

TEST_F(TextureUploadDeathTest, UnreadableMipmappedTextureEndsTheProcessWithStatusOne) {
    const std::string path = dir.file("tex/missing.bmp");
    EXPECT_EXIT(loadMipmappedTexture(path.c_str(), 1), ::testing::ExitedWithCode(1),
                "^Error: Failed to open DIB file .*tex/missing.bmp\\.\n$");
    dir.write("bad.bmp", std::string("BM not a bitmap at all"));
    EXPECT_EXIT(loadMipmappedTexture(dir.file("bad.bmp").c_str(), 1), ::testing::ExitedWithCode(1),
                "^Error: Unknown DIB file format\\.\n$");
}

#include "world/camera.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "support/files.h"
#include "support/gl_context.h"
#include "support/tiny_content.h"
#include "world/car.h"

namespace {

constexpr int kSize = 64;

struct Basis {
    float eye[3], view[3], up[3];
};

// Eye position, viewing direction and up direction in world coordinates of a model-view matrix.
Basis basisOf(const float m[16]) {
    Basis b{};
    for (int i = 0; i < 3; ++i) {
        b.eye[i] = -(m[4 * i] * m[12] + m[4 * i + 1] * m[13] + m[4 * i + 2] * m[14]);
        b.view[i] = -m[4 * i + 2];
        b.up[i] = m[4 * i + 1];
    }
    return b;
}

void expectVec(const float actual[3], float x, float y, float z) {
    EXPECT_NEAR(actual[0], x, 1e-5f);
    EXPECT_NEAR(actual[1], y, 1e-5f);
    EXPECT_NEAR(actual[2], z, 1e-5f);
}

const uint8_t kSkyBottom[3] = {250, 40, 10};
const uint8_t kSkyTop[3] = {10, 40, 250};
const uint8_t kClear[3] = {255, 0, 255};

class CameraView : public ::testing::Test {
protected:
    void SetUp() override {
        ensureGlContext(kSize, kSize);
        dir.write("tex/clouds.bmp", gradientBmp(16, 16, kSkyBottom, kSkyTop));
        ScopedCwd cwd(dir.path());
        camera = std::make_unique<Camera>(&car);
    }
    Basis applied(int32_t elapsedMs = 16) {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        camera->apply(elapsedMs);
        float m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        std::copy(m, m + 16, matrix);
        return basisOf(m);
    }
    // One frame as the frame loop starts it, with the textures the models leave enabled.
    std::vector<uint8_t> frame() {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(65.0, 1.0, 0.1, 17.4);
        glClearColor(kClear[0] / 255.0f, kClear[1] / 255.0f, kClear[2] / 255.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_TEXTURE_2D);
        glColor4f(1, 1, 1, 1);
        applied();
        return readPixels(0, 0, kSize, kSize);
    }
    static const uint8_t* pixel(const std::vector<uint8_t>& pixels, int x, int y) { return &pixels[(y * kSize + x) * 4]; }
    static bool isClear(const uint8_t* p) {
        return std::abs(p[0] - kClear[0]) <= 2 && std::abs(p[1] - kClear[1]) <= 2 && std::abs(p[2] - kClear[2]) <= 2;
    }
    // Every pixel comes from the sky image: green is 40 throughout it, red and blue add up to 260.
    static void expectAllSky(const std::vector<uint8_t>& pixels) {
        int notSky = 0;
        for (int i = 0; i < kSize * kSize; ++i) {
            const uint8_t* p = &pixels[i * 4];
            if (std::abs(p[1] - 40) > 3 || std::abs(p[0] + p[2] - 260) > 6) ++notSky;
        }
        EXPECT_EQ(notSky, 0);
    }

    TempDir dir;
    Car car;
    std::unique_ptr<Camera> camera;
    float matrix[16] = {};
};

TEST_F(CameraView, StartsInTheFreeViewAtItsStartPose) {
    EXPECT_EQ(camera->mode, 0);
    EXPECT_EQ(camera->target, &car);
    EXPECT_EQ(camera->position.x, -16.0f);
    EXPECT_EQ(camera->position.y, -17.0f);
    EXPECT_EQ(camera->position.z, 4.0f);
    EXPECT_EQ(camera->pitch, -94.0f);
    EXPECT_EQ(camera->roll, -1.0f);
    EXPECT_EQ(camera->heading, 178.0f);
    EXPECT_NE(camera->skyTexture, 0u);
    EXPECT_EQ(camera->cycleMode(), 1);
    EXPECT_EQ(camera->cycleMode(), 2);
    EXPECT_EQ(camera->cycleMode(), 0);
}

TEST_F(CameraView, TheFreeViewStandsAtMinusATenthOfItsPosition) {
    camera->position = Vec3{10, 0, 0};
    Basis b = applied();
    expectVec(b.eye, -1, 0, 0);
    camera->position = Vec3{-16, -17, 4};
    b = applied();
    expectVec(b.eye, 1.6f, 1.7f, -0.4f);
}

TEST_F(CameraView, TheFreeViewTurnsByPitchThenRollThenHeading) {
    camera->position = Vec3{};
    camera->setRotation(Vec3{-90, 0, 90});
    Basis b = applied();
    expectVec(b.view, 1, 0, 0);
    expectVec(b.up, 0, 0, 1);
    camera->setRotation(Vec3{-90, 30, 0});
    b = applied();
    // Rolled after pitching, the view turns about its own line: still along +y, up leans to -x.
    expectVec(b.view, 0, 1, 0);
    expectVec(b.up, -0.5f, 0, static_cast<float>(std::cos(30 * M_PI / 180)));
}

TEST_F(CameraView, TheInCarViewLooksAlongTheCarsMinusYWithZUp) {
    camera->mode = 1;
    car.position = Vec3{1, 2, 3};
    Basis b = applied();
    expectVec(b.eye, 1, 2, 3.1f);
    expectVec(b.view, 0, -1, 0);
    expectVec(b.up, 0, 0, 1);
    car.heading = 90.0f;
    b = applied();
    expectVec(b.view, 1, 0, 0);
    expectVec(b.up, 0, 0, 1);
    expectVec(b.eye, 1, 2, 3.1f);
    car.pitch = 10.0f;
    b = applied();
    // A nose-up car (its local +y end raised) tips the view, seen along -y, downward.
    EXPECT_NEAR(b.view[2], -std::sin(10 * M_PI / 180), 1e-5);
}

TEST_F(CameraView, TheOverheadViewLooksStraightDownFromFourAbove) {
    camera->mode = 2;
    car.position = Vec3{5, -6, 0.5f};
    car.setRotation(Vec3{12, -7, 133});
    Basis b = applied();
    expectVec(b.eye, 5, -6, 4.5f);
    expectVec(b.view, 0, 0, -1);
    expectVec(b.up, 0, 1, 0);
}

TEST_F(CameraView, TheElapsedTimeChangesNothing) {
    for (int mode = 0; mode < 3; ++mode) {
        camera->mode = mode;
        car.heading = 40.0f;
        applied(0);
        float first[16];
        std::copy(matrix, matrix + 16, first);
        applied(123456);
        for (int i = 0; i < 16; ++i) EXPECT_EQ(first[i], matrix[i]) << "mode " << mode << " element " << i;
    }
}

TEST_F(CameraView, TheSkyBoxBindsItsTextureAndChangesNoOtherState) {
    glDisable(GL_TEXTURE_2D);
    glColor4f(0.4f, 0.4f, 0.5f, 0.7f);
    applied();
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), camera->skyTexture);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    float colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.4f);
    EXPECT_FLOAT_EQ(colour[3], 0.7f);
    glBindTexture(GL_TEXTURE_2D, 0);
    camera->mode = 2;
    applied();
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
}

TEST_F(CameraView, TheFreeViewFillsTheWindowWithSky) {
    expectAllSky(frame());
}

TEST_F(CameraView, TheInCarViewFillsTheWindowWithSkyDarkeningUpward) {
    camera->mode = 1;
    car.position = Vec3{30, -40, 2};
    const std::vector<uint8_t> pixels = frame();
    expectAllSky(pixels);
    // The image's top row is blue and its bottom red; on the side faces t runs with height.
    EXPECT_GT(pixel(pixels, kSize / 2, kSize - 1)[2], pixel(pixels, kSize / 2, 0)[2] + 60);
    EXPECT_GT(pixel(pixels, kSize / 2, 0)[0], pixel(pixels, kSize / 2, kSize - 1)[0] + 60);
}

TEST_F(CameraView, TheOverheadViewShowsTheClearColourAroundTheScene) {
    camera->mode = 2;
    car.position = Vec3{3, 3, 1};
    frame();
    // A green plate of 1 x 1 under the car, standing in for the track.
    glDisable(GL_TEXTURE_2D);
    glColor3f(0, 1, 0);
    glBegin(GL_QUADS);
    glVertex3f(2.5f, 2.5f, 1);
    glVertex3f(3.5f, 2.5f, 1);
    glVertex3f(3.5f, 3.5f, 1);
    glVertex3f(2.5f, 3.5f, 1);
    glEnd();
    const std::vector<uint8_t> pixels = readPixels(0, 0, kSize, kSize);
    const uint8_t* centre = pixel(pixels, kSize / 2, kSize / 2);
    EXPECT_EQ(centre[1], 255);
    EXPECT_EQ(centre[0], 0);
    for (int corner : {0, kSize - 1}) {
        EXPECT_TRUE(isClear(pixel(pixels, corner, 0)));
        EXPECT_TRUE(isClear(pixel(pixels, corner, kSize - 1)));
    }
}

}  // namespace

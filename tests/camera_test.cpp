#include "world/camera.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "app/view.h"
#include "support/files.h"
#include "support/gl_context.h"
#include "support/tiny_content.h"
#include "world/car.h"

namespace {

constexpr int kSize = 64;
const uint8_t kSkyBottom[3] = {250, 40, 10};
const uint8_t kSkyTop[3] = {10, 40, 250};
const uint8_t kClear[3] = {255, 0, 255};

void expectVec(const Vec3& actual, const Vec3& expected, const char* what) {
    EXPECT_NEAR(actual.x, expected.x, 1e-5f) << what;
    EXPECT_NEAR(actual.y, expected.y, 1e-5f) << what;
    EXPECT_NEAR(actual.z, expected.z, 1e-5f) << what;
}

// Every pixel comes from the sky image: green is 40 throughout it, red and blue add up to 260.
bool isSky(const uint8_t* p) {
    return std::abs(p[1] - 40) <= 3 && std::abs(p[0] + p[2] - 260) <= 6;
}
bool isClear(const uint8_t* p) {
    return std::abs(p[0] - kClear[0]) <= 2 && std::abs(p[1] - kClear[1]) <= 2 &&
           std::abs(p[2] - kClear[2]) <= 2;
}
int countNot(const std::vector<uint8_t>& pixels, bool (*test)(const uint8_t*)) {
    int count = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) count += test(&pixels[i]) ? 0 : 1;
    return count;
}

class CameraView : public ::testing::Test {
  protected:
    void SetUp() override {
        ensureGlContext(kSize, kSize);
        dir.write("tex/clouds.bmp", gradientBmp(16, 16, kSkyBottom, kSkyTop));
        ScopedCwd cwd(dir.path());
        camera = std::make_unique<Camera>(&car);
    }
    // The model-view matrix that apply leaves, from the identity.
    void apply(float m[16]) {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        camera->apply(123456);  // any elapsed time: the view must not depend on it
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
    }
    // The view and its sky box as a frame draws them, in the current colour and texturing.
    std::vector<uint8_t> frame() {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(kFieldOfViewDegrees, 1.0, kNearPlane, kFarPlane);
        glClearColor(kClear[0] / 255.0f, kClear[1] / 255.0f, kClear[2] / 255.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        float m[16];
        apply(m);
        glLoadIdentity();
        if (camera->turnAsApplied()) camera->drawSkyBox();
        return readPixels(0, 0, kSize, kSize);
    }

    TempDir dir;
    Car car;
    std::unique_ptr<Camera> camera;
};

// The free view takes the camera's own pose, the other two the car's.
struct ViewCase {
    const char* scenario;
    int mode;
    Vec3 position, rotation;  // pitch, roll, heading
    Vec3 eye, view, up;
};

const ViewCase kViews[] = {
    {"free view at minus a tenth of its position",
     0,
     {10, 0, 0},
     {-90, 0, 90},
     {-1, 0, 0},
     {1, 0, 0},
     {0, 0, 1}},
    // Rolled after pitching, the view turns about its own line: still along +y, up leans to -x.
    {"free view pitched then rolled",
     0,
     {-16, -17, 4},
     {-90, 30, 0},
     {1.6f, 1.7f, -0.4f},
     {0, 1, 0},
     {-0.5f, 0, 0.866025f}},
    {"in-car, level", 1, {1, 2, 3}, {0, 0, 0}, {1, 2, 3.1f}, {0, -1, 0}, {0, 0, 1}},
    {"in-car, heading 90", 1, {1, 2, 3}, {0, 0, 90}, {1, 2, 3.1f}, {1, 0, 0}, {0, 0, 1}},
    // A nose-up car (its local +y end raised) tips the view, seen along -y, downward.
    {"in-car, nose up 10",
     1,
     {1, 2, 3},
     {10, 0, 0},
     {1, 2, 3.1f},
     {0, -0.984808f, -0.173648f},
     {0, -0.173648f, 0.984808f}},
    {"overhead, whatever the car's tilt",
     2,
     {5, -6, 0.5f},
     {12, -7, 133},
     {5, -6, 4.5f},
     {0, 0, -1},
     {0, 1, 0}},
};

TEST_F(CameraView, StartsAtItsStartPoseAndEachModePlacesTheEyeAndTurnsTheView) {
    expectVec(camera->position, {-16, -17, 4}, "start position");
    expectVec({camera->pitch, camera->roll, camera->heading}, {-94, -1, 178},
              "start pitch, roll, heading");
    for (const ViewCase& c : kViews) {
        camera->mode = c.mode;
        Body& posed = c.mode == 0 ? static_cast<Body&>(*camera) : car;
        posed.setPosition(c.position);
        posed.setRotation(c.rotation);
        float m[16];
        apply(m);
        // The rows of the matrix's rotation are the eye's axes in world coordinates.
        const auto row = [&](int r, float sign) {
            return Vec3{sign * m[r], sign * m[4 + r], sign * m[8 + r]};
        };
        const auto eye = [&](int i) {
            return -(m[4 * i] * m[12] + m[4 * i + 1] * m[13] + m[4 * i + 2] * m[14]);
        };
        SCOPED_TRACE(c.scenario);
        expectVec({eye(0), eye(1), eye(2)}, c.eye, "eye");
        expectVec(row(2, -1), c.view, "view");
        expectVec(row(1, 1), c.up, "up");
        // The sky box's transform is the applied view's turn without the eye's place, however
        // the body turns and moves after the view was applied.
        posed.setRotation({c.rotation.x + 20, c.rotation.y - 30, c.rotation.z + 40});
        posed.setPosition({1, 1, 1});
        glLoadIdentity();
        EXPECT_EQ(camera->turnAsApplied(), c.mode != 2);
        float turn[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, turn);
        for (int i = 0; i < 12; ++i) EXPECT_EQ(turn[i], c.mode != 2 ? m[i] : i % 5 == 0) << i;
        expectVec({turn[12], turn[13], turn[14]}, {0, 0, 0}, "no place");
    }
}

TEST_F(CameraView, FreeAndInCarViewsAreBoxedInSkyAndTheOverheadViewShowsTheClearColour) {
    // Before any model has switched texturing on, the box shows only the current colour: it
    // neither enables texturing nor sets a colour of its own.
    glDisable(GL_TEXTURE_2D);
    glColor4f(0.4f, 0.4f, 0.5f, 1.0f);
    EXPECT_EQ(
        countNot(frame(),
                 [](const uint8_t* p) { return std::abs(p[0] - 102) + std::abs(p[2] - 128) <= 4; }),
        0);
    glEnable(GL_TEXTURE_2D);  // as the models leave it
    glColor4f(1, 1, 1, 1);
    EXPECT_EQ(countNot(frame(), isSky), 0) << "free view";
    camera->mode = 1;
    car.position = Vec3{30, -40, 2};
    const std::vector<uint8_t> inCar = frame();
    EXPECT_EQ(countNot(inCar, isSky), 0) << "in-car view";
    // The image's top row is blue and its bottom red; on the side faces t runs with height.
    const uint8_t* top = &inCar[((kSize - 1) * kSize + kSize / 2) * 4];
    const uint8_t* bottom = &inCar[(kSize / 2) * 4];
    EXPECT_GT(top[2], bottom[2] + 60);
    EXPECT_GT(bottom[0], top[0] + 60);
    camera->mode = 2;
    EXPECT_EQ(countNot(frame(), isClear), 0) << "overhead view";
}

// The box writes depth like any geometry: what lies beyond its faces (10 ahead) is hidden
// behind it, what lies nearer is not.
TEST_F(CameraView, TheSkyBoxHidesWhatLiesBeyondItsFaces) {
    camera->setPosition({0, 0, 0});
    camera->setRotation({-90, 0, 0});  // the eye at the origin, looking along +y
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    frame();
    glLoadIdentity();
    camera->apply(0);
    glDisable(GL_TEXTURE_2D);
    glColor3ub(kClear[0], kClear[1], kClear[2]);
    for (const float y : {12.0f, 8.0f}) {
        // A square 2 across straight ahead: 8 pixels wide at 12, 12 pixels at 8.
        glBegin(GL_QUADS);
        glVertex3f(-1, y, -1);
        glVertex3f(1, y, -1);
        glVertex3f(1, y, 1);
        glVertex3f(-1, y, 1);
        glEnd();
        EXPECT_EQ(isClear(&readPixels(kSize / 2, kSize / 2, 1, 1)[0]), y < 10) << y;
    }
    glEnable(GL_TEXTURE_2D);
}

}  // namespace

#include "world/car.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>

#include "support/gl_context.h"
#include "world/track.h"

namespace {

class CarOnTrack : public ::testing::Test {
protected:
    void SetUp() override { car.setTrack(track.get()); }
    // A plane z = base + slopeX * x + slopeY * y over (-10..10, -10..10).
    void addPlane(float base, float slopeX, float slopeY) {
        const auto corner = [&](float x, float y) { return Vec3{x, y, base + slopeX * x + slopeY * y}; };
        addTriangle(corner(-10, -10), corner(10, -10), corner(10, 10));
        addTriangle(corner(-10, -10), corner(10, 10), corner(-10, 10));
    }
    void addTriangle(Vec3 a, Vec3 b, Vec3 c) { track->triangles[track->triangleCount++] = Triangle{{a, b, c}}; }

    std::unique_ptr<Track> track = std::make_unique<Track>();
    Car car;
};

TEST_F(CarOnTrack, AtHeading90APositiveStoredSpeedMovesTowardMinusX) {
    addPlane(0.5f, 0, 0);
    car.heading = 90.0f;
    car.speed = 2.0f;
    car.advance(100);
    EXPECT_NEAR(car.position.x, -0.2f, 1e-6f);
    // cos(90 * 0.0174532) is 8.33e-6, not 0: the truncated degree factor shows here.
    EXPECT_NEAR(car.position.y, 1.6654e-6f, 2e-10f);
    EXPECT_EQ(car.position.z, 0.5f);
}

TEST_F(CarOnTrack, APositiveForwardSpeedAtHeading0MovesTowardMinusY) {
    addPlane(0.0f, 0, 0);
    car.setSpeed(3.0f);
    car.advance(50);
    EXPECT_EQ(car.position.x, 0.0f);
    EXPECT_NEAR(car.position.y, -0.15f, 1e-7f);
}

TEST_F(CarOnTrack, APositiveTurnRateLowersTheHeadingWithoutWrapping) {
    addPlane(0.0f, 0, 0);
    car.heading = 10.0f;
    car.turnRate = 0.5f;
    car.advance(20);
    EXPECT_EQ(car.heading, 9.0f);
    car.advance(400);
    EXPECT_EQ(car.heading, -11.0f);
    car.turnRate = -40.0f;
    car.advance(100);
    EXPECT_EQ(car.heading, 389.0f);
}

TEST_F(CarOnTrack, NoElapsedTimeStillSettlesHeightAndTilt) {
    addPlane(1.0f, 0, 0.5f);
    car.position = Vec3{0, 0, 7};
    car.roll = 33.0f;
    car.speed = 5.0f;
    car.turnRate = 1.0f;
    car.advance(0);
    EXPECT_EQ(car.position.x, 0.0f);
    EXPECT_EQ(car.position.y, 0.0f);
    EXPECT_EQ(car.heading, 0.0f);
    EXPECT_NEAR(car.position.z, 1.0f, 1e-6f);
    // P45 - P135 = 0.5 * 0.15 * (cos 45 - cos 135) = 0.106066; atan(0.106066 * 4.7) / 0.0174532.
    EXPECT_NEAR(car.pitch, 26.49677f, 2e-4f);
    // Not quite 0: with the truncated degree factor P225 lies 3.5e-6 further toward -y than P135.
    EXPECT_NEAR(car.roll, -0.000476f, 5e-5f);
}

TEST_F(CarOnTrack, RollFollowsTheSlopeAcrossTheCar) {
    addPlane(1.0f, 0.5f, 0);
    car.advance(0);
    EXPECT_NEAR(car.pitch, -0.000238f, 5e-5f);
    EXPECT_NEAR(car.roll, -26.49677f, 2e-4f);
    // Turned round, the same slope raises the other side.
    car.heading = 180.0f;
    car.advance(0);
    EXPECT_NEAR(car.roll, 26.49677f, 2e-4f);
}

TEST_F(CarOnTrack, AProbeOffTheTrackGivesTheSteepTilt) {
    // Flat at 1 for y <= 0.05 only: P45 (y +0.106) is off, P135 and P225 are on.
    addTriangle({-10, -10, 1}, {10, -10, 1}, {10, 0.05f, 1});
    addTriangle({-10, -10, 1}, {10, 0.05f, 1}, {-10, 0.05f, 1});
    car.advance(0);
    EXPECT_EQ(car.position.z, 1.0f);
    // atan((-100 - 1) * 4.7) / 0.0174532
    EXPECT_NEAR(car.pitch, -89.87978f, 1e-4f);
    EXPECT_EQ(car.roll, 0.0f);
}

TEST_F(CarOnTrack, NoSurfaceUnderTheCentreKeepsHeightAndTiltButStillMoves) {
    addPlane(1.0f, 0, 0);
    car.position = Vec3{20, 0, 4};
    car.pitch = 3.0f;
    car.roll = -2.0f;
    car.setSpeed(1.0f);
    car.turnRate = 0.1f;
    car.advance(100);
    EXPECT_EQ(car.position.z, 4.0f);
    EXPECT_EQ(car.pitch, 3.0f);
    EXPECT_EQ(car.roll, -2.0f);
    EXPECT_EQ(car.heading, -1.0f);
    EXPECT_NEAR(car.position.x, 20.0f - 0.1f * 0.0174524f, 1e-6f);
    EXPECT_NEAR(car.position.y, -0.1f * 0.9998477f, 1e-6f);
}

TEST_F(CarOnTrack, TheProbesUseTheHeightBeforeSettlingAsReference) {
    // A road at 0 under a bridge rising by 4 per unit of y. From 0.6 the centre finds the
    // bridge at 1; the +y probe, still measured from 0.6 and not from 1, takes the road
    // (0.6 away) over the bridge at 1.424, the -y probe the bridge at 0.576.
    addTriangle({-5, -5, 0}, {10, -5, 0}, {-5, 10, 0});
    addTriangle({-5, -5, -19}, {10, -5, -19}, {-5, 10, 41});
    car.position.z = 0.6f;
    car.advance(0);
    EXPECT_NEAR(car.position.z, 1.0f, 1e-6f);
    // atan((0 - 0.575741) * 4.7) / 0.0174532
    EXPECT_NEAR(car.pitch, -69.71851f, 2e-4f);
    EXPECT_NEAR(car.roll, -0.003805f, 2e-4f);
}

TEST_F(CarOnTrack, AHiddenCarMovesAndSettlesLikeAVisibleOne) {
    addPlane(2.0f, 0.1f, 0.2f);
    Car visible;
    visible.setTrack(track.get());
    for (Car* c : {&car, &visible}) {
        c->setSpeed(1.5f);
        c->turnRate = 0.3f;
    }
    car.update(30, true);
    visible.advance(30);
    EXPECT_TRUE(car.hidden);
    EXPECT_EQ(car.position.x, visible.position.x);
    EXPECT_EQ(car.position.y, visible.position.y);
    EXPECT_EQ(car.position.z, visible.position.z);
    EXPECT_EQ(car.pitch, visible.pitch);
    EXPECT_EQ(car.roll, visible.roll);
}

// The model as drawn: one point 4 model units above the car's origin, caught through
// OpenGL's feedback mode in an orthographic view of -4..4 on a 64-pixel window.
class CarDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        ensureGlContext(64, 64);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-4, 4, -4, 4, -10, 10);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        car.modelList = glGenLists(1);
        glNewList(car.modelList, GL_COMPILE);
        glBegin(GL_POINTS);
        glVertex3f(0, 0, 4);
        glEnd();
        glEndList();
        car.position = Vec3{1, 0, 0};
    }
    // World x and y of the drawn point, or false when nothing was drawn.
    bool drawnPoint(bool hidden, float& x, float& y) {
        GLfloat feedback[16] = {};
        glFeedbackBuffer(16, GL_3D, feedback);
        glRenderMode(GL_FEEDBACK);
        car.update(0, hidden);
        const GLint count = glRenderMode(GL_RENDER);
        if (count < 4 || feedback[0] != GL_POINT_TOKEN) return false;
        x = feedback[1] / 8.0f - 4.0f;
        y = feedback[2] / 8.0f - 4.0f;
        return true;
    }

    Car car;
};

TEST_F(CarDrawing, TheModelIsScaledAndTurnedByHeadingThenPitch) {
    car.setRotation(Vec3{90, 0, 90});
    float x = 0, y = 0;
    ASSERT_TRUE(drawnPoint(false, x, y));
    // Pitch 90 lays the point along local -y, heading 90 turns that to world +x; scale 0.25.
    EXPECT_NEAR(x, 2.0f, 1e-3f);
    EXPECT_NEAR(y, 0.0f, 1e-3f);
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
}

TEST_F(CarDrawing, RollTurnsTheModelInsidePitch) {
    // Roll 90 first lays the point along local +x, which pitch about x leaves alone; the
    // other order would put it at (1, -1).
    car.setRotation(Vec3{90, 90, 0});
    float x = 0, y = 0;
    ASSERT_TRUE(drawnPoint(false, x, y));
    EXPECT_NEAR(x, 2.0f, 1e-3f);
    EXPECT_NEAR(y, 0.0f, 1e-3f);
}

TEST_F(CarDrawing, AHiddenCarDrawsNothing) {
    float x = 0, y = 0;
    EXPECT_FALSE(drawnPoint(true, x, y));
    EXPECT_TRUE(drawnPoint(false, x, y));
}

}  // namespace

#include "world/car.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "support/gl_context.h"
#include "world/track.h"

namespace {

// A plane z = base + slopeX * x + slopeY * y over (-10..10, -10..10), as two triangles.
std::vector<Triangle> plane(float base, float slopeX, float slopeY) {
    const auto corner = [&](float x, float y) {
        return Vec3{x, y, base + slopeX * x + slopeY * y};
    };
    return {Triangle{{corner(-10, -10), corner(10, -10), corner(10, 10)}},
            Triangle{{corner(-10, -10), corner(10, 10), corner(-10, 10)}}};
}

// Every update here hides the car: a hidden car must move and settle like a visible one.
class CarOnTrack : public ::testing::Test {
  protected:
    void lay(const std::vector<Triangle>& triangles) {
        track->triangleCount = 0;
        for (const Triangle& t : triangles) track->triangles[track->triangleCount++] = t;
        car.setTrack(track.get());
    }

    std::unique_ptr<Track> track = std::make_unique<Track>();
    Car car;
};

TEST_F(CarOnTrack, DrivesAlongItsMinusYTurnsClockwiseNeverWrapsTheHeadingAndGlidesOffTheTrack) {
    lay(plane(0.5f, 0, 0));
    car.heading = 90.0f;
    car.speed = 2.0f;  // a negative forward speed: it backs along its local +y
    car.update(100, true);
    EXPECT_NEAR(car.position.x, -0.2f, 1e-6f);
    // cos(90 * 0.0174532) is 8.33e-6, not 0: the truncated degree factor shows here.
    EXPECT_NEAR(car.position.y, 1.6654e-6f, 2e-10f);
    EXPECT_EQ(car.position.z, 0.5f);

    car.speed = 0.0f;
    car.heading = 10.0f;
    car.turnRate = 0.5f;  // degrees per 10 ms
    car.update(20, true);
    EXPECT_EQ(car.heading, 9.0f);
    car.update(400, true);
    EXPECT_EQ(car.heading, -11.0f);
    car.turnRate = -40.0f;
    car.update(100, true);
    EXPECT_EQ(car.heading, 389.0f);

    // Without a surface under its centre it keeps its height and tilt, and still moves and turns.
    car.position = Vec3{20, 0, 4};
    car.setRotation(Vec3{3, -2, 0});
    car.setSpeed(1.0f);
    car.turnRate = 0.1f;
    car.update(100, true);
    EXPECT_EQ(car.position.z, 4.0f);
    EXPECT_EQ(car.pitch, 3.0f);
    EXPECT_EQ(car.roll, -2.0f);
    EXPECT_EQ(car.heading, -1.0f);
    EXPECT_NEAR(car.position.x, 20.0f - 0.1f * 0.0174524f, 1e-6f);
    EXPECT_NEAR(car.position.y, -0.1f * 0.9998477f, 1e-6f);
}

struct SettleCase {
    const char* scenario;
    std::vector<Triangle> surface;
    float startZ, heading;
    float z, pitch, roll;
};

// Height from the centre, pitch = atan((P45 - P135) * 4.7) / 0.0174532 and roll = atan((P225 -
// P135) * 4.7) / 0.0174532 from the probes 0.15 around it. P45 - P135 on a slope of 0.5 is
// 0.5 * 0.15 * (cos 45 - cos 135) = 0.106066, which gives 26.49677 degrees.
const SettleCase kSettles[] = {
    // Not quite 0 across: with the truncated degree factor P225 lies 3.5e-6 further toward -y than
    // P135.
    {"slope along y", plane(1, 0, 0.5f), 7, 0, 1, 26.49677f, -0.000476f},
    {"slope along x", plane(1, 0.5f, 0), 0, 0, 1, -0.000238f, -26.49677f},
    {"slope along x, turned round", plane(1, 0.5f, 0), 0, 180, 1, -0.000225f, 26.49677f},
    // Flat at 1 for y <= 0.05 only: P45 (y +0.106) is off, so atan((-100 - 1) * 4.7) / 0.0174532.
    {"one probe off the track",
     {Triangle{{{-10, -10, 1}, {10, -10, 1}, {10, 0.05f, 1}}},
      Triangle{{{-10, -10, 1}, {10, 0.05f, 1}, {-10, 0.05f, 1}}}},
     0,
     0,
     1,
     -89.87978f,
     0},
    // A road at 0 under a bridge rising by 4 per unit of y. From 0.6 the centre finds the
    // bridge at 1; the +y probe, still measured from 0.6 and not from 1, takes the road (0.6
    // away) over the bridge at 1.424, the -y probe the bridge at 0.576: atan(-0.575741 * 4.7).
    {"probes measured from the height before settling",
     {Triangle{{{-5, -5, 0}, {10, -5, 0}, {-5, 10, 0}}},
      Triangle{{{-5, -5, -19}, {10, -5, -19}, {-5, 10, 41}}}},
     0.6f,
     0,
     1,
     -69.71851f,
     -0.003805f},
};

TEST_F(CarOnTrack, WithNoElapsedTimeItOnlySettlesItsHeightAndTiltOnTheSurface) {
    for (const SettleCase& c : kSettles) {
        SCOPED_TRACE(c.scenario);
        lay(c.surface);
        car.position = Vec3{0, 0, c.startZ};
        car.heading = c.heading;
        car.roll = 33.0f;
        car.speed = 5.0f;
        car.turnRate = 1.0f;
        car.update(0, true);
        EXPECT_EQ(car.position.x, 0.0f);
        EXPECT_EQ(car.position.y, 0.0f);
        EXPECT_EQ(car.heading, c.heading);
        EXPECT_NEAR(car.position.z, c.z, 1e-6f);
        EXPECT_NEAR(car.pitch, c.pitch, 2e-4f);
        EXPECT_NEAR(car.roll, c.roll, 2e-4f);
    }
}

// The model as drawn: one point 4 model units above the car's origin at x 1, caught through
// OpenGL's feedback mode in an orthographic view of -4..4 on a 64-pixel window.
TEST(CarDrawing, TheModelIsScaledThenTurnedByHeadingPitchAndRollUnlessHidden) {
    ensureGlContext(64, 64);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-4, 4, -4, 4, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    Car car;
    car.modelList = glGenLists(1);
    glNewList(car.modelList, GL_COMPILE);
    glBegin(GL_POINTS);
    glVertex3f(0, 0, 4);
    glEnd();
    glEndList();
    struct {
        Vec3 rotation;
        bool hidden;
    } cases[] = {
        {{90, 0, 90},
         false},  // pitch 90 lays the point along local -y, heading 90 turns that to +x
        {{90, 90, 0}, false},  // roll 90 first lays it along local +x, which pitch leaves alone
        {{0, 0, 0}, true},
    };
    for (const auto& c : cases) {
        car.position = Vec3{1, 0, 0};
        car.setRotation(c.rotation);
        GLfloat feedback[16] = {};
        glFeedbackBuffer(16, GL_3D, feedback);
        glRenderMode(GL_FEEDBACK);
        car.update(0, c.hidden);
        const bool drawn = glRenderMode(GL_RENDER) >= 4 && feedback[0] == GL_POINT_TOKEN;
        EXPECT_EQ(drawn, !c.hidden);
        if (!drawn) continue;
        // Scale 0.25: the point stands 1 from the car, at world (2, 0).
        EXPECT_NEAR(feedback[1] / 8.0f - 4.0f, 2.0f, 1e-3f);
        EXPECT_NEAR(feedback[2] / 8.0f - 4.0f, 0.0f, 1e-3f);
    }
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
}

}  // namespace

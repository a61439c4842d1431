// The frame loop's clock, frame-rate window and projection, without a scene.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cmath>

#include "app/frame.h"
#include "platform/ticks.h"
#include "support/files.h"
#include "support/gl_context.h"

namespace {

TEST(FrameClock, FirstCallIsZeroThenMeasuresAcrossTheTickWrap) {
    ManualClock::install(0xFFFFFF00u);
    EXPECT_EQ(frameClock(), 0);
    ManualClock::advance(0x80);
    EXPECT_EQ(frameClock(), 0x80);
    ManualClock::advance(0x100);  // passes 2^32
    EXPECT_EQ(frameClock(), 0x100);
    EXPECT_EQ(frameClock(), 0);
    setTickSource(nullptr);
}

TEST(FpsCounter, SteadySixtyFramesPerSecondPrintsSlightlyAboveSixty) {
    ManualClock::install(1000);
    FpsCounter counter;
    OutputCapture out;
    // Frames 1000/60 ms apart: frame 181 comes exactly 3000 ms in, which is not yet more
    // than 3000; the window closes on frame 182, which is counted, so the line shows 182 / 3.0.
    for (int i = 0; i < 182; ++i) {
        ManualClock::now = 1000 + static_cast<uint32_t>(i * 1000 / 60);
        counter.countFrame();
    }
    EXPECT_EQ(out.finish(), "FPS: 60.666667\n");
    EXPECT_EQ(counter.frames, 0);
    EXPECT_EQ(counter.windowStart, 1000u + 181u * 1000u / 60u);
    setTickSource(nullptr);
}

TEST(FrameReshape, SixtyFiveDegreesNearAndFarPlanesAndAspectAndNoHeightStaysFinite) {
    ensureGlContext(32, 32);
    reshape(200, 100);
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    const double f = 1.0 / std::tan(65.0 * M_PI / 360.0);
    EXPECT_NEAR(m[5], f, 1e-5);
    EXPECT_NEAR(m[0], f / 2.0, 1e-5);
    EXPECT_NEAR(m[10], (17.4 + 0.1) / (0.1 - 17.4), 1e-5);
    EXPECT_NEAR(m[14], 2.0 * 17.4 * 0.1 / (0.1 - 17.4), 1e-5);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 200);
    EXPECT_EQ(viewport[3], 100);
    reshape(300, 0);
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    for (float value : m) EXPECT_TRUE(std::isfinite(value));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace

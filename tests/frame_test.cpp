// The frame loop's clock, frame-rate window, blur and projection, without a scene.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

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
    EXPECT_EQ(ManualClock::now, 0x80u);
    EXPECT_EQ(frameClock(), 0x100);
    EXPECT_EQ(frameClock(), 0);
    setTickSource(nullptr);
}

TEST(FpsCounter, SteadySixtyFramesPerSecondPrintsSlightlyAboveSixty) {
    ManualClock::install(1000);
    FpsCounter counter;
    OutputCapture out;
    // Frames 1000/60 ms apart: the window closes on the first frame after 3000 ms, which is
    // the 182nd and is counted, so the line shows 182 / 3.0.
    for (int i = 0; i < 182; ++i) {
        ManualClock::now = 1000 + static_cast<uint32_t>(i * 1000 / 60);
        counter.countFrame();
    }
    EXPECT_EQ(out.finish(), "FPS: 60.666667\n");
    EXPECT_EQ(counter.frames, 0);
    EXPECT_EQ(counter.windowStart, 1000u + 181u * 1000u / 60u);
    setTickSource(nullptr);
}

TEST(FpsCounter, ExactlyThreeSecondsIsNotYetMoreThanThree) {
    ManualClock::install(0);
    FpsCounter counter;
    OutputCapture out;
    counter.countFrame();
    ManualClock::now = 3000;
    counter.countFrame();
    ManualClock::now = 3001;
    counter.countFrame();
    EXPECT_EQ(out.finish(), "FPS: 1.000000\n");
    setTickSource(nullptr);
}

// Reads one pixel's red channel after a clear and the frame's blend.
int blendedRed(float red) {
    glClearColor(red, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glAccum(GL_MULT, 0.7f);
    glAccum(GL_ACCUM, 0.3f);
    glAccum(GL_RETURN, 1.0f);
    return readPixels(4, 4, 1, 1)[0];
}

double srgbToLinear(double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }
double linearToSrgb(double c) { return c <= 0.0031308 ? c * 12.92 : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055; }

// Mesa blends the accumulation buffer in linear light when the window buffer is sRGB
// encoded; find out which this context does from one known accumulation.
bool accumulatesInLinearLight() {
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_ACCUM_BUFFER_BIT);
    glAccum(GL_ACCUM, 0.5f);
    glAccum(GL_RETURN, 1.0f);
    const int half = readPixels(4, 4, 1, 1)[0];
    return std::abs(half - 188) <= 2;
}

TEST(FrameBlur, NewFrameIsBlendedThreeTenthsOverSevenTenthsOfThePrevious) {
    ensureGlContext(32, 32);
    const bool linear = accumulatesInLinearLight();
    reshape(32, 32);
    // Settle the blend on one colour, then show one frame of another.
    for (int i = 0; i < 60; ++i) blendedRed(0.9f);
    const int shown = blendedRed(0.2f);
    double expected = 0.7 * 0.9 + 0.3 * 0.2;
    if (linear) expected = linearToSrgb(0.7 * srgbToLinear(0.9) + 0.3 * srgbToLinear(0.2));
    EXPECT_NEAR(shown, expected * 255.0, 2.0) << (linear ? "linear-light accumulation" : "direct accumulation");
}

TEST(FrameBlur, ReshapeClearsTheAccumulationSoTheBlurFadesInFromBlack) {
    ensureGlContext(32, 32);
    reshape(32, 32);
    for (int i = 0; i < 30; ++i) blendedRed(1.0f);
    reshape(32, 32);
    const int first = blendedRed(1.0f);
    EXPECT_LT(first, 200);
    EXPECT_GT(first, 0);
}

TEST(FrameReshape, SixtyFiveDegreesNearAndFarPlanesAndAspect) {
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
}

TEST(FrameReshape, ZeroHeightKeepsAFiniteProjection) {
    ensureGlContext(32, 32);
    reshape(300, 0);
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    for (float value : m) EXPECT_TRUE(std::isfinite(value));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace

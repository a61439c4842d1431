// The whole scene in this process: assembly, the frame's order of work, restarts, the
// blur and the no-allocation promise of the frame loop, on a manual clock; and the frame
// loop's clock, frame-rate window and projection on their own.
#include "app/scene.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>

#include "app/frame.h"
#include "app/keyboard.h"
#include "app/options.h"
#include "platform/ticks.h"
#include "replay/recorder.h"
#include "support/files.h"
#include "support/gl_context.h"
#include "support/tiny_content.h"
#include "world/car.h"

// Counts every C++ allocation of this test program.
static std::atomic<long> allocationCount{0};

void* operator new(size_t size) {
    ++allocationCount;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
// Kept out of line: inlined, GCC sees free() take what operator new gave and warns of a
// mismatch that is not there.
__attribute__((noinline)) void operator delete(void* p) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {

class SceneTest : public ::testing::Test {
  protected:
    void build(const TinyContent& content) {
        writeTinyContent(dir, content);
        cwd = std::make_unique<ScopedCwd>(dir.path());
        ensureGlContext(64, 64);
        ManualClock::install(5000);
        optionFlags = AccumBlur | Lighting;
        OutputCapture out;
        assembleScene();
        transcript = out.finish();
        reshape(64, 64);
    }
    void frames(int count, uint32_t stepMs) {
        for (int i = 0; i < count; ++i) {
            ManualClock::advance(stepMs);
            renderFrame();
        }
    }
    void TearDown() override { setTickSource(nullptr); }

    TempDir dir;
    std::unique_ptr<ScopedCwd> cwd;
    std::string transcript;
};

TEST_F(SceneTest,
       WithoutItsRunTheDs21CarStaysOnTheGridWhileTheSceneRunsAndOnlyItHidesInTheInCarView) {
    TinyContent content;
    content.cameraRun = steadyRun(4, 1000, Vec3{0, 0, -20}, 0, 0);
    content.r5Run = steadyRun(4, 1000, Vec3{0.3f, 0, 0}, 90, 1);
    build(content);
    EXPECT_FLOAT_EQ(r5Car->position.x, 0.3f) << "placed beside the ds21 car";
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[2], 0.8f);
    for (const GLenum fixed : {GL_LIGHTING, GL_ALPHA_TEST, GL_NORMALIZE})
        EXPECT_TRUE(glIsEnabled(fixed)) << fixed;
    EXPECT_NE(transcript.find("PLAYBACK (rec\\record0.rec)\n\nunable to open file for "
                              "playbackPLAYBACK (rec\\record2.rec)"),
              std::string::npos)
        << transcript;
    OutputCapture out;
    frames(100, 16);
    EXPECT_TRUE(ds21Recorder->isIdle());
    EXPECT_FLOAT_EQ(ds21Car->position.x, 0.0f);
    EXPECT_FLOAT_EQ(ds21Car->position.y, 0.0f);
    // Heading 90 with a positive forward speed drives toward +x; the record at 1000 ms put
    // it back at 0.3, so 0.6 s later it stands near 0.9.
    EXPECT_NEAR(r5Car->position.x, 0.3f + 0.6f, 0.05f);
    EXPECT_FALSE(ds21Car->hidden);
    keyUp('c', 0, 0);
    EXPECT_EQ(cameraMode, 1);
    frames(1, 16);
    EXPECT_TRUE(ds21Car->hidden);
    EXPECT_FALSE(r5Car->hidden);
    keyUp('C', 0, 0);
    keyUp('X', 0, 0);
    EXPECT_EQ(cameraMode, 1);
    keyUp('c', 0, 0);
    frames(1, 16);
    EXPECT_EQ(cameraMode, 2);
    EXPECT_FALSE(ds21Car->hidden);
    keyUp('c', 0, 0);
    EXPECT_EQ(cameraMode, 0);
}

// Per channel, the value shown after blending weight of a frame of value sharp over black.
// Mesa blends the accumulation buffer in linear light when the window buffer is sRGB
// encoded; which this context does shows in one known accumulation.
double blended(double weight, int sharp, bool linearLight) {
    const double c = sharp / 255.0;
    if (!linearLight) return weight * sharp;
    const double linear = weight * (c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
    return 255.0 *
           (linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055);
}

TEST_F(SceneTest,
       TheBlurShowsThreeTenthsOfEachFrameOverSevenTenthsOfTheBlendStartingFromBlackAfterAReshape) {
    TinyContent content;
    content.cameraRun = steadyRun(3, 1000, Vec3{0, 0, -20}, 0, 0);
    build(content);
    OutputCapture out;
    frames(3, 0);  // no time passes: from the second frame on every frame is the same
    optionFlags = Lighting;
    frames(1, 0);
    const std::vector<uint8_t> sharp = readPixels(0, 0, 64, 64);
    optionFlags = AccumBlur | Lighting;
    reshape(64, 64);
    frames(1, 0);
    const std::vector<uint8_t> first = readPixels(0, 0, 64, 64);
    frames(1, 0);
    const std::vector<uint8_t> second = readPixels(0, 0, 64, 64);
    out.finish();
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_ACCUM_BUFFER_BIT);
    glAccum(GL_ACCUM, 0.5f);
    glAccum(GL_RETURN, 1.0f);
    const bool linearLight = std::abs(readPixels(4, 4, 1, 1)[0] - 188) <= 2;
    int off = 0, lit = 0;
    for (size_t i = 0; i < sharp.size(); i += 4) {
        for (size_t c = i; c < i + 3; ++c) {
            lit += sharp[c] > 50 ? 1 : 0;
            off += std::abs(first[c] - blended(0.3, sharp[c], linearLight)) > 3 ? 1 : 0;
            off += std::abs(second[c] - blended(0.51, sharp[c], linearLight)) > 3 ? 1 : 0;
        }
    }
    EXPECT_GT(lit, 4000) << "a picture to blur";
    EXPECT_EQ(off, 0) << (linearLight ? "linear-light accumulation" : "direct accumulation");
}

TEST_F(SceneTest, RunsRestartTogetherOnlyWhenAllThreeHaveEndedAndNoFrameAllocates) {
    TinyContent content;
    content.cameraRun = steadyRun(1, 0, Vec3{0, 0, -20}, 0, 0);
    content.ds21Run = steadyRun(2, 500, Vec3{0, 0, 0}, 0, 1, 0.01f);
    content.r5Run = steadyRun(4, 500, Vec3{0.3f, 0, 0}, 0, 1, -0.01f);
    content.visibleSmoke = true;
    build(content);
    OutputCapture out;
    frames(300,
           16);  // every kind of frame has been drawn once: restarts, particles alive and dying
    const std::string text = out.finish();
    // Camera and ds21 end within 600 ms, r5 after 1500 ms; only then do all three start again.
    const std::string restart =
        "END (rec\\record2.rec)\n\nPLAYBACK (rec\\record0.rec)\nPLAYBACK (rec\\record1.rec)\n"
        "PLAYBACK (rec\\record2.rec)\n\n";
    EXPECT_EQ(text.find("END (rec\\record0.rec)\nEND (rec\\record1.rec)\n"), 0u) << text;
    EXPECT_EQ(text.find("PLAYBACK"), text.find(restart) + restart.find("PLAYBACK"))
        << "nothing restarts before\n"
        << text;
    OutputCapture quiet;
    const long before = allocationCount.load();
    frames(1000, 16);
    const long during = allocationCount.load() - before;
    quiet.finish();
    EXPECT_EQ(during, 0) << "C++ allocations over 1000 frames";
}

// The frame loop's clock, frame-rate window and projection, without a scene.
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
    reshape(0, 0);  // a window shrunk to nothing
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    for (float value : m) EXPECT_TRUE(std::isfinite(value));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace

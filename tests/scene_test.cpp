// The whole scene in this process: assembly, the frame's order of work, restarts, the
// blur and the no-allocation promise of the frame loop, on a manual clock, also with the
// built pack, whose frames must keep their pages; and the frame loop's clock, frame-rate
// window and projection on their own.
#include "app/scene.h"

#include <GL/freeglut.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "app/frame.h"
#include "app/keyboard.h"
#include "app/options.h"
#include "effects/smoke.h"
#include "platform/ticks.h"
#include "replay/recorder.h"
#include "support/files.h"
#include "support/gl_context.h"
#include "support/tiny_content.h"
#include "world/camera.h"
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
    void build(const TinyContent& content, uint32_t options = AccumBlur | Lighting,
               const std::vector<uint8_t>& smokeImage = {}) {
        writeTinyContent(dir, content);
        if (!smokeImage.empty()) dir.write("tex/smoke.bmp", smokeImage);
        cwd = std::make_unique<ScopedCwd>(dir.path());
        ensureGlContext(64, 64);
        ManualClock::install(5000);
        optionFlags = options;
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

// This process's anonymous resident memory in pages, read without allocating so that it can
// be taken between counted frames; -1 when it cannot be read.
long anonymousResidentPages() {
    char text[8192];
    const int fd = open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    const ssize_t got = read(fd, text, sizeof text - 1);
    close(fd);
    if (got <= 0) return -1;
    text[got] = '\0';
    const char* field = std::strstr(text, "RssAnon:");
    long kib = -1;
    if (!field || std::sscanf(field + std::strlen("RssAnon:"), "%ld", &kib) != 1) return -1;
    return kib * 1024 / sysconf(_SC_PAGESIZE);
}

long minorPageFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// The demo's own pack at the demo's window size, moving on through the race once every kind
// of frame has been drawn: no frame allocates in our code, no frame hands pages back to the
// kernel, and only a frame that needs more than any before it takes new ones. A renderer
// whose frame memory goes back to the kernel faults all of it in again in every frame, and is
// slow however fast the machine.
TEST(PackScene, OnceWarmItsFramesAllocateNothingAndKeepTheirPages) {
#ifdef ZORVEX_SANITIZE
    GTEST_SKIP() << "the sanitizer's allocator holds freed blocks back and hands out new pages";
#endif
    const ScopedCwd cwd(std::string(ZORVEX_BINARY_DIR) + "/content");
    ensureGlContext(450, 450);
    ManualClock::install(5000);
    optionFlags = AccumBlur | Lighting;
    OutputCapture out;
    assembleScene();
    reshape(450, 450);
    const auto frame = [] {
        ManualClock::advance(33);
        renderFrame();
    };
    for (int i = 0; i < 300; ++i) frame();  // 10 s of the race: every view, both cars smoking
    constexpr int kMeasured = 300;
    const long allocationsBefore = allocationCount.load();
    long resident = anonymousResidentPages();
    ASSERT_GT(resident, 0) << "RssAnon of /proc/self/status";
    int takingPages = 0, givingPagesBack = 0;
    for (int i = 0; i < kMeasured; ++i) {
        const long faults = minorPageFaults();
        frame();
        const long now = anonymousResidentPages();
        takingPages += minorPageFaults() > faults ? 1 : 0;
        givingPagesBack += now < resident ? 1 : 0;
        resident = now;
    }
    const long allocations = allocationCount.load() - allocationsBefore;
    out.finish();
    EXPECT_EQ(allocations, 0) << "C++ allocations over " << kMeasured << " frames";
    EXPECT_EQ(givingPagesBack, 0) << "frames after which fewer pages were resident";
    EXPECT_LE(takingPages, kMeasured / 10) << "frames that took pages from the kernel";
}

// The state the scene leaves for its smoke, seen in pixels: a particle 0.3 opaque with a keyed
// out left half, drawn at depth 0.5 over the clear colour, then a green plate behind it at 0.75.
// The keyed texels must neither show nor write depth (the alpha test passes only alpha above 0),
// the rest of the square must be added and write depth, hiding the plate behind it.
TEST_F(SceneTest, KeyedSmokeTexelsLeaveNoDepthAndAFadedParticleStillHidesWhatIsBehindIt) {
    std::vector<uint8_t> halfKeyed;
    for (int i = 0; i < 64; ++i) halfKeyed.insert(halfKeyed.end(), 3, i % 8 < 4 ? 0 : 200);
    build(TinyContent{}, AccumBlur | Lighting, rgbBmp(8, 8, halfKeyed));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-0.05, 0.05, -0.05, 0.05, -1, 1);  // the 0.03 square is 19 pixels across
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ds21Smoke->lastEmitTime = tickCount();  // nothing due: only the particle placed here
    ds21Smoke->particles[0] = Particle{true, {}, {}, 0.3f, 0.0f};
    ds21Smoke->update(0);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glColor3f(0, 1, 0);
    glBegin(GL_QUADS);
    glVertex3f(-1, -1, -0.5f);
    glVertex3f(1, -1, -0.5f);
    glVertex3f(1, 1, -0.5f);
    glVertex3f(-1, 1, -0.5f);
    glEnd();
    const auto pixel = [](int x) {
        const std::vector<uint8_t> p = readPixels(x, 32, 1, 1);
        return std::vector<int>{p[0], p[1], p[2]};
    };
    EXPECT_EQ(pixel(5), (std::vector<int>{0, 255, 0})) << "the plate around the particle";
    EXPECT_EQ(pixel(28), (std::vector<int>{0, 255, 0})) << "the plate through the keyed texels";
    // The clear colour (77, 77, 204) plus 0.3 of smoke colour (0.4, 0.4, 0.5) times grey 200.
    const std::vector<int> smoke = pixel(36);
    const int expected[3] = {77 + 24, 77 + 24, 204 + 30};
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(smoke[c], expected[c], 2) << c;
}

// A view along +y from 2 above the ground, 5 before the cars; nothing moves. Without blur the
// frames show the sky box above and around the horizon: ground farther than the box's faces
// (10 ahead, the 5 rows below the horizon) is hidden behind it.
class SkyFrames : public SceneTest {
  protected:
    void start(uint32_t options) {
        TinyContent content;
        content.cameraRun = {RunRecord{{0, 50, -20}, -90, 0, 0, 0, 0, 0}};
        build(content, options);
        camera->setPosition({0, 50, -20});
        camera->setRotation({-90, 0, 0});
    }
    // The frame's sky at row 40 (above the horizon) and at row 24 (ground beyond the box), and
    // the ground at row 5.
    struct Shown {
        std::vector<int> sky, farGround, ground;
    };
    Shown frame() {
        OutputCapture quiet;  // the runs start again every frame
        frames(1, 16);
        quiet.finish();
        const std::vector<uint8_t> p = readPixels(0, 0, 64, 64);
        const auto at = [&p](int x, int y) {
            const uint8_t* q = &p[(static_cast<size_t>(y) * 64 + x) * 4];
            return std::vector<int>{q[0], q[1], q[2]};
        };
        return {at(5, 40), at(5, 24), at(5, 5)};
    }
    static bool bluish(const std::vector<int>& c) { return c[2] > c[0] + 30 && c[2] > 150; }
    static void expectScaled(const std::vector<int>& shown, const std::vector<int>& full,
                             const float scale[3]) {
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(shown[c], full[c] * scale[c], 2) << c;
    }
};

// The sky box sets no colour and does not switch texturing on: the first frame, before any
// model has done so, shows it plain in the colour current then. From then on it shows the sky
// image, in white after the models and in the last particle's colour after the smoke.
TEST_F(SkyFrames, WithoutLightingTheSkyTakesTheColourCurrentWhenTheFrameStarts) {
    start(0);
    glColor4f(0.2f, 0.6f, 0.4f, 1.0f);
    const Shown first = frame();
    EXPECT_EQ(first.sky, (std::vector<int>{51, 153, 102}));
    EXPECT_EQ(first.farGround, first.sky);
    const Shown second = frame();  // after the models' white; the first particles were born
    EXPECT_TRUE(bluish(second.sky)) << second.sky[0] << " " << second.sky[2];
    EXPECT_TRUE(bluish(second.farGround)) << second.farGround[0] << " " << second.farGround[2];
    EXPECT_FALSE(bluish(second.ground)) << second.ground[0] << " " << second.ground[2];
    const float smoke[3] = {0.4f, 0.4f, 0.5f};
    expectScaled(frame().sky, second.sky, smoke);  // after the particles drawn in the second
}

// Lit, the sky box takes the normal current when the frame starts and the light as the frame
// before gave it. The first frame is lit by the light's default, which points at the viewer,
// past the box's upward normal: ambient alone, 0.2 + 0.2 * 0.2 of white. Given a downward
// normal, the next is lit by the ambient alone too, although the light of the frame before
// shines straight down; with the models' upward normal the third shows the sky image in full.
TEST_F(SkyFrames, LitTheSkyTakesTheCurrentNormalAndTheLightOfTheFrameBefore) {
    start(Lighting);
    EXPECT_EQ(frame().sky, (std::vector<int>{61, 61, 61}));
    glNormal3f(0, 0, -1);
    const Shown second = frame();
    const Shown third = frame();
    EXPECT_TRUE(bluish(third.sky)) << third.sky[0] << " " << third.sky[2];
    const float ambient[3] = {0.24f, 0.24f, 0.24f};
    expectScaled(second.sky, third.sky, ambient);
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

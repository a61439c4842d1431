#include "effects/smoke.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/ticks.h"
#include "support/files.h"
#include "support/gl_context.h"
#include "support/tiny_content.h"
#include "world/car.h"

namespace {

constexpr uint32_t kStart = 50000;

class SmokeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ensureGlContext();
        ManualClock::install(kStart);
        resetSmokeRandom();
        dir.write("smoke.bmp", solidBmp(8, 8, 255, 128, 0));
        car.position = Vec3{1.0f, 2.0f, 0.5f};
        car.heading = 30.0f;
        car.pitch = 10.0f;
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-0.05, 0.05, -0.05, 0.05, -1.0, 1.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    void TearDown() override { setTickSource(nullptr); }

    std::unique_ptr<SmokeEmitter> makeEmitter(int32_t count) {
        auto emitter = std::make_unique<SmokeEmitter>(count, dir.file("smoke.bmp").c_str());
        emitter->setEmitInterval(15);
        emitter->attachCar(&car);
        emitter->setSpawnOffset(0.3f, 0.03f);
        return emitter;
    }
    static int aliveCount(const SmokeEmitter& emitter) {
        int alive = 0;
        for (int32_t i = 0; i < emitter.particleCount; ++i)
            alive += emitter.particles[i].alive ? 1 : 0;
        return alive;
    }
    static std::vector<float> currentColour() {
        std::vector<float> colour(4);
        glGetFloatv(GL_CURRENT_COLOR, colour.data());
        return colour;
    }

    TempDir dir;
    Car car;
};

TEST_F(SmokeTest, TwoLateEmittersCatchUpOneIntervalPerParticleDrawingFromOneGeneratorInTurn) {
    auto first = makeEmitter(10);
    auto second = makeEmitter(10);
    ManualClock::advance(150);
    glColor4f(1, 1, 1, 1);
    first->update(0);
    second->update(0);
    // Nine each, into the first slots: the clock moves 15 per particle while more than 15 are owed.
    EXPECT_EQ(aliveCount(*first), 9);
    EXPECT_EQ(currentColour(), (std::vector<float>{1, 1, 1, 1}))
        << "newborns are not drawn in the pass that emits them";
    EXPECT_EQ(first->lastEmitTime, kStart + 135);
    // The generator's first draws are 41, 18467, 6334 and 26500: each velocity axis is
    // (2 r / 32767 - 1) / 20000, z negated, and the fade r / 9830100 + 0.0004.
    const Particle& p = first->particles[0];
    EXPECT_NEAR(p.velocity.x, -4.987487e-5f, 1e-11f);
    EXPECT_NEAR(p.velocity.y, 6.358531e-6f, 1e-11f);
    EXPECT_NEAR(p.velocity.z, 3.066958e-5f, 1e-11f);
    EXPECT_NEAR(p.fadeRate, 0.0030958f, 1e-8f);
    EXPECT_EQ(p.alpha, 1.0f);
    // Behind a car heading 30 degrees: 0.3 along (-sin, cos), raised by the lift and the slope.
    EXPECT_NEAR(p.position.x, 0.85f, 1e-6f);
    EXPECT_NEAR(p.position.y, 2.259808f, 1e-6f);
    EXPECT_NEAR(p.position.z, 0.582094f, 1e-6f);
    // Four draws per particle: the next takes draws 5 to 8 (19169 ...), and the second
    // emitter, updated after the first, draws 37 to 40 (25667 ...).
    EXPECT_NEAR(first->particles[1].velocity.x, 8.500931e-6f, 1e-11f);
    EXPECT_NEAR(second->particles[0].velocity.x, 2.833186e-5f, 1e-11f);

    ManualClock::advance(100);
    first->update(0);
    EXPECT_EQ(aliveCount(*first), 10);
    EXPECT_EQ(first->lastEmitTime, kStart + 150)
        << "the clock stands still while every slot is alive";
    first->update(10000);  // all fade out
    EXPECT_EQ(aliveCount(*first), 0)
        << "a slot that dies in a pass is not refilled in it, however overdue";
    first->update(0);
    EXPECT_EQ(aliveCount(*first), 6) << "the owed particles come out together: 165, 180 ... 240";
    EXPECT_EQ(first->lastEmitTime, kStart + 240);
}

TEST_F(SmokeTest, AParticleMovesAndFadesByTheElapsedTimeIsDrawnAtZeroAndDiesBelowIt) {
    auto emitter = makeEmitter(1);
    Particle& particle = emitter->particles[0];
    particle = Particle{true, {}, {0.001f, 0.0f, -0.002f}, 0.390625f, 0.00390625f};
    emitter->update(0);
    EXPECT_EQ(particle.position.x, 0.0f);
    EXPECT_EQ(particle.alpha, 0.390625f);

    emitter->update(100);
    EXPECT_FLOAT_EQ(particle.position.x, 0.1f);
    EXPECT_FLOAT_EQ(particle.position.z, -0.2f);
    EXPECT_TRUE(particle.alive);
    EXPECT_EQ(particle.alpha, 0.0f);
    EXPECT_EQ(currentColour(), (std::vector<float>{0.4f, 0.4f, 0.5f, 0.0f})) << "drawn, invisibly";
    emitter->update(1);
    EXPECT_FALSE(particle.alive);
}

// Over a coloured background, at half opacity: additive blending adds half the particle's
// colour to what is there, where ordinary alpha blending would mix the two and no blending
// would replace it.
TEST_F(SmokeTest, AParticleIsATexturedAdditiveSquareFacingTheViewerDrawnWithinTheEnablesItFound) {
    const uint8_t background[3] = {51, 102, 153};
    for (const int32_t count : {1, 0}) {
        auto emitter = makeEmitter(count);
        if (count > 0)
            emitter->particles[0] =
                Particle{true, {}, {}, 0.5f, 0.0f};  // at the origin, still, never fading
        glEnable(GL_LIGHTING);
        glDisable(GL_BLEND);
        glDisable(GL_TEXTURE_2D);
        glBlendFunc(GL_ONE, GL_ZERO);
        glBindTexture(GL_TEXTURE_2D, 0);
        glColor4f(0.1f, 0.2f, 0.3f, 0.4f);
        glClearColor(background[0] / 255.0f, background[1] / 255.0f, background[2] / 255.0f, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        // The billboard keeps the view's translation and drops its rotation and scale: the square
        // is centred 0.01 right of and above the middle (6.4 pixels) and stays 0.03 (19 pixels)
        // wide.
        glLoadIdentity();
        glTranslatef(0.01f, 0.01f, 0.0f);
        glRotatef(30.0f, 0.0f, 0.0f, 1.0f);
        glScalef(2.0f, 2.0f, 2.0f);
        emitter->update(16);
        EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        // Only enable flags are saved: the blend function, binding and colour stay as drawing set
        // them.
        GLint source = 0;
        GLint binding = 0;
        glGetIntegerv(GL_BLEND_SRC, &source);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &binding);
        EXPECT_EQ(source, count > 0 ? GL_SRC_ALPHA : GL_ONE) << count;
        EXPECT_EQ(static_cast<uint32_t>(binding), count > 0 ? emitter->texture : 0u) << count;
        EXPECT_EQ(currentColour(), count > 0 ? (std::vector<float>{0.4f, 0.4f, 0.5f, 0.5f})
                                             : (std::vector<float>{0.1f, 0.2f, 0.3f, 0.4f}));
        // Half of smoke colour (0.4, 0.4, 0.5) times the orange texel (1, 0.5, 0), added.
        const int added[3] = {51, 26, 0};
        const std::vector<uint8_t> centre = readPixels(38, 38, 1, 1);
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(centre[c], background[c] + (count > 0 ? added[c] : 0), 2) << c;
        for (const int x : {38 + 12, 38 - 12})
            EXPECT_EQ(readPixels(x, 38, 1, 1)[0], background[0]) << x;
        EXPECT_EQ(readPixels(38 + 8, 38 + 8, 1, 1)[0] > background[0] + 40, count > 0)
            << "an upright square fills its corners";
    }
}

}  // namespace

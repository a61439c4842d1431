#include "effects/smoke.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "platform/ticks.h"
#include "support/files.h"
#include "support/gl_context.h"
#include "support/tiny_content.h"
#include "world/car.h"

namespace {

constexpr uint32_t kStart = 50000;

struct ExpectedParticle {
    Vec3 position;
    Vec3 velocity;
    float fadeRate;
};

// What a particle emitted from car with the next four draws of random must hold.
ExpectedParticle expectedEmission(SmokeRandom& random, const Car& car, double distance, double lift) {
    const auto unit = [&random] { return 2.0 * random.next() / 32767.0 - 1.0; };
    ExpectedParticle out{};
    out.velocity.x = static_cast<float>(unit() / 20000.0);
    out.velocity.y = static_cast<float>(unit() / 20000.0);
    out.velocity.z = static_cast<float>(-unit() / 20000.0);
    const double h = car.heading / 57.29577951308232;
    const double p = car.pitch / 57.29577951308232;
    out.position.x = static_cast<float>(car.position.x - distance * std::sin(h));
    out.position.y = static_cast<float>(car.position.y + distance * std::cos(h));
    out.position.z = static_cast<float>(car.position.z + lift + distance * std::sin(p));
    out.fadeRate = static_cast<float>(random.next() / 9830100.0 + 0.0004);
    return out;
}

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
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    void TearDown() override { setTickSource(nullptr); }

    std::unique_ptr<SmokeEmitter> makeEmitter(int32_t count, uint32_t interval = 15) {
        auto emitter = std::make_unique<SmokeEmitter>(count, dir.file("smoke.bmp").c_str());
        emitter->setEmitInterval(interval);
        emitter->attachCar(&car);
        emitter->setSpawnOffset(0.3f, 0.03f);
        return emitter;
    }
    // One live particle at the origin, still, with the given opacity and fade.
    static void placeParticle(Particle& particle, float alpha, float fadeRate) {
        particle = Particle{};
        particle.alive = true;
        particle.alpha = alpha;
        particle.fadeRate = fadeRate;
    }
    static int aliveCount(const SmokeEmitter& emitter) {
        int alive = 0;
        for (int32_t i = 0; i < emitter.particleCount; ++i) alive += emitter.particles[i].alive ? 1 : 0;
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

TEST_F(SmokeTest, TheGeneratorStartsFromSeedOne) {
    SmokeRandom random;
    EXPECT_EQ(random.next(), 41);
    EXPECT_EQ(random.next(), 18467);
    EXPECT_EQ(random.next(), 6334);
}

TEST_F(SmokeTest, AFirstUpdate150MsAfterConstructionEmitsNineIntoTheFirstSlots) {
    auto emitter = makeEmitter(1000);
    ManualClock::advance(150);
    emitter->update(0);
    for (int i = 0; i < 9; ++i) EXPECT_TRUE(emitter->particles[i].alive) << i;
    EXPECT_EQ(aliveCount(*emitter), 9);
    EXPECT_EQ(emitter->lastEmitTime, kStart + 135) << "the clock moves one interval per particle";
    for (int i = 0; i < 9; ++i) EXPECT_EQ(emitter->particles[i].alpha, 1.0f);
    EXPECT_EQ(smokeRandom().state, [] {
        SmokeRandom random;
        for (int i = 0; i < 36; ++i) random.next();
        return random.state;
    }());
}

TEST_F(SmokeTest, AnEmittedParticleTakesItsMotionFromTheNextFourDraws) {
    auto emitter = makeEmitter(10);
    ManualClock::advance(31);
    emitter->update(0);
    ASSERT_EQ(aliveCount(*emitter), 2);
    SmokeRandom random;
    for (int i = 0; i < 2; ++i) {
        const ExpectedParticle expected = expectedEmission(random, car, 0.3f, 0.03f);
        const Particle& particle = emitter->particles[i];
        EXPECT_FLOAT_EQ(particle.velocity.x, expected.velocity.x) << i;
        EXPECT_FLOAT_EQ(particle.velocity.y, expected.velocity.y) << i;
        EXPECT_FLOAT_EQ(particle.velocity.z, expected.velocity.z) << i;
        EXPECT_FLOAT_EQ(particle.position.x, expected.position.x) << i;
        EXPECT_FLOAT_EQ(particle.position.y, expected.position.y) << i;
        EXPECT_FLOAT_EQ(particle.position.z, expected.position.z) << i;
        EXPECT_FLOAT_EQ(particle.fadeRate, expected.fadeRate) << i;
    }
    // First draw 41: x = (82 / 32767 - 1) / 20000, almost the full -0.00005.
    EXPECT_NEAR(emitter->particles[0].velocity.x, -4.98749e-5f, 1e-10f);
    // Behind a car heading 30 degrees: 0.3 along (-sin, cos), raised by the lift and the slope.
    EXPECT_NEAR(emitter->particles[0].position.x, 0.85f, 1e-6f);
    EXPECT_NEAR(emitter->particles[0].position.y, 2.259808f, 1e-6f);
    EXPECT_NEAR(emitter->particles[0].position.z, 0.582094f, 1e-6f);
}

TEST_F(SmokeTest, TwoEmittersDrawFromOneGeneratorInUpdateOrder) {
    auto first = makeEmitter(10);
    auto second = makeEmitter(10);
    ManualClock::advance(16);
    first->update(0);
    second->update(0);
    SmokeRandom random;
    const ExpectedParticle one = expectedEmission(random, car, 0.3f, 0.03f);
    const ExpectedParticle two = expectedEmission(random, car, 0.3f, 0.03f);
    EXPECT_FLOAT_EQ(first->particles[0].velocity.x, one.velocity.x);
    EXPECT_FLOAT_EQ(second->particles[0].velocity.x, two.velocity.x);
    EXPECT_FLOAT_EQ(second->particles[0].fadeRate, two.fadeRate);
}

TEST_F(SmokeTest, ParticlesMoveAndFadeByTheElapsedTimeOnly) {
    auto emitter = makeEmitter(10);
    ManualClock::advance(16);
    emitter->update(0);
    const Particle born = emitter->particles[0];
    emitter->update(0);
    EXPECT_EQ(emitter->particles[0].position.x, born.position.x);
    EXPECT_EQ(emitter->particles[0].alpha, 1.0f);
    emitter->update(100);
    EXPECT_FLOAT_EQ(emitter->particles[0].position.x, born.position.x + 100.0f * born.velocity.x);
    EXPECT_FLOAT_EQ(emitter->particles[0].position.z, born.position.z + 100.0f * born.velocity.z);
    EXPECT_FLOAT_EQ(emitter->particles[0].alpha, 1.0f - 100.0f * born.fadeRate);
}

TEST_F(SmokeTest, AnOpacityOfExactlyZeroIsDrawnAndBelowZeroDies) {
    auto emitter = makeEmitter(2);
    placeParticle(emitter->particles[0], 0.390625f, 0.00390625f);
    glColor4f(1, 1, 1, 1);
    emitter->update(100);
    EXPECT_TRUE(emitter->particles[0].alive);
    EXPECT_EQ(emitter->particles[0].alpha, 0.0f);
    EXPECT_EQ(currentColour(), (std::vector<float>{0.4f, 0.4f, 0.5f, 0.0f})) << "drawn, invisibly";

    placeParticle(emitter->particles[0], 0.38f, 0.00390625f);
    placeParticle(emitter->particles[1], 0.38f, 0.00390625f);
    ManualClock::advance(1000);  // the emission clock is overdue
    glColor4f(1, 1, 1, 1);
    emitter->update(100);
    EXPECT_EQ(aliveCount(*emitter), 0) << "a slot that died in this pass is not refilled in it";
    EXPECT_EQ(currentColour(), (std::vector<float>{1, 1, 1, 1})) << "nothing drawn";
    emitter->update(0);
    EXPECT_EQ(aliveCount(*emitter), 2);
}

TEST_F(SmokeTest, AFullPoolHoldsItsEmissionsBackUntilSlotsFree) {
    auto emitter = makeEmitter(3);
    ManualClock::advance(200);
    emitter->update(0);
    EXPECT_EQ(aliveCount(*emitter), 3);
    EXPECT_EQ(emitter->lastEmitTime, kStart + 45);
    ManualClock::advance(100);
    emitter->update(0);
    EXPECT_EQ(emitter->lastEmitTime, kStart + 45) << "the clock stands still while every slot is alive";
    emitter->update(10000);  // all fade out
    EXPECT_EQ(aliveCount(*emitter), 0);
    emitter->update(0);
    EXPECT_EQ(aliveCount(*emitter), 3) << "the owed particles come out together";
    EXPECT_EQ(emitter->lastEmitTime, kStart + 90);
}

TEST_F(SmokeTest, ALiveParticleIsDrawnAsATexturedAdditiveSquare) {
    auto emitter = makeEmitter(1);
    placeParticle(emitter->particles[0], 1.0f, 0.0f);
    glDisable(GL_TEXTURE_2D);
    emitter->update(0);
    const std::vector<uint8_t> centre = readPixels(32, 32, 1, 1);
    // Smoke colour (0.4, 0.4, 0.5) times the orange texel (1, 0.5, 0), added to black.
    EXPECT_NEAR(centre[0], 102, 2);
    EXPECT_NEAR(centre[1], 51, 2);
    EXPECT_NEAR(centre[2], 0, 2);
    // The square is 0.03 wide in a view 0.1 wide: 19 of 64 pixels, centred.
    EXPECT_EQ(readPixels(32 + 12, 32, 1, 1)[0], 0);
    EXPECT_EQ(readPixels(32 - 12, 32, 1, 1)[0], 0);
    EXPECT_GT(readPixels(32 + 8, 32 + 8, 1, 1)[0], 90);
}

TEST_F(SmokeTest, TheBillboardKeepsTheTranslationAndDropsRotationAndScale) {
    glLoadIdentity();
    glTranslatef(1.0f, 2.0f, 3.0f);
    glRotatef(30.0f, 0.0f, 0.0f, 1.0f);
    glScalef(2.0f, 2.0f, 2.0f);
    glTranslatef(0.5f, 0.0f, 0.0f);
    float out[16];
    SmokeEmitter::billboardMatrix(out);
    const float expected[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1.8660254f, 2.5f, 3.0f, 1.0f};
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(out[i], expected[i], 1e-6f) << i;
}

TEST_F(SmokeTest, TheEnableStateComesBackAsItWas) {
    auto emitter = makeEmitter(4);
    placeParticle(emitter->particles[0], 1.0f, 0.0f);
    for (const bool on : {false, true}) {
        on ? glEnable(GL_LIGHTING) : glDisable(GL_LIGHTING);
        on ? glDisable(GL_BLEND) : glEnable(GL_BLEND);
        on ? glDisable(GL_TEXTURE_2D) : glEnable(GL_TEXTURE_2D);
        emitter->update(16);
        EXPECT_EQ(glIsEnabled(GL_LIGHTING), on ? GL_TRUE : GL_FALSE);
        EXPECT_EQ(glIsEnabled(GL_BLEND), on ? GL_FALSE : GL_TRUE);
        EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), on ? GL_FALSE : GL_TRUE);
    }
    // Only enable flags are saved: the blend function and binding stay as drawing set them.
    GLint source = 0;
    GLint binding = 0;
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &binding);
    EXPECT_EQ(source, GL_SRC_ALPHA);
    EXPECT_EQ(static_cast<uint32_t>(binding), emitter->texture);
}

TEST_F(SmokeTest, AnEmptyPoolLeavesTheStateAsItFoundIt) {
    auto emitter = makeEmitter(0);
    EXPECT_EQ(emitter->particleCount, 0);
    EXPECT_EQ(emitter->particles, nullptr);
    glEnable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glBindTexture(GL_TEXTURE_2D, 0);
    glColor4f(0.1f, 0.2f, 0.3f, 0.4f);
    ManualClock::advance(5000);
    emitter->update(16);
    GLint source = -1;
    GLint binding = -1;
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &binding);
    EXPECT_EQ(source, GL_ONE);
    EXPECT_EQ(binding, 0);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(currentColour(), (std::vector<float>{0.1f, 0.2f, 0.3f, 0.4f}));
    EXPECT_EQ(smokeRandom().state, 1u) << "nothing emitted";
    EXPECT_EQ(readPixels(32, 32, 1, 1)[0], 0);
}

}  // namespace

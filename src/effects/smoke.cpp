#include "effects/smoke.h"

#include <GL/gl.h>

#include <cmath>
#include <new>

#include "assets/texture.h"
#include "platform/ticks.h"
#include "world/angles.h"
#include "world/car.h"

namespace {

SmokeRandom sharedRandom;

constexpr float kHalfSide = 0.015f;

// A uniform draw 0..32767 mapped to -1..1.
double signedUnit(int32_t draw) { return 2.0 * draw / 32767.0 - 1.0; }

}  // namespace

SmokeRandom& smokeRandom() { return sharedRandom; }

void resetSmokeRandom() { sharedRandom = SmokeRandom(); }

SmokeEmitter::SmokeEmitter(int32_t count, const char* texturePath) : lastEmitTime(tickCount()) {
    if (count > 0) {
        particles = new (std::nothrow) Particle[static_cast<size_t>(count)];
        if (particles) particleCount = count;
    }
    for (int32_t i = 0; i < particleCount; ++i) particles[i].alive = false;
    GLuint name = 0;
    glGenTextures(1, &name);
    texture = name;
    loadMaskedTexture(texturePath, texture);
    compileBillboard();
}

SmokeEmitter::~SmokeEmitter() { delete[] particles; }

void SmokeEmitter::compileBillboard() {
    billboardList = glGenLists(1);
    glNewList(billboardList, GL_COMPILE);
    glBegin(GL_TRIANGLES);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-kHalfSide, -kHalfSide, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(kHalfSide, kHalfSide, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(kHalfSide, -kHalfSide, 0.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-kHalfSide, -kHalfSide, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(kHalfSide, kHalfSide, 0.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(-kHalfSide, kHalfSide, 0.0f);
    glEnd();
    glEndList();
}

void SmokeEmitter::update(int32_t elapsedMs) {
    glPushAttrib(GL_ENABLE_BIT);
    // An empty pool draws nothing, so it changes nothing either.
    if (particleCount > 0) {
        glEnable(GL_BLEND);
        glDisable(GL_LIGHTING);
        glEnable(GL_TEXTURE_2D);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glBindTexture(GL_TEXTURE_2D, texture);
    }
    for (int32_t i = 0; i < particleCount; ++i) {
        Particle& particle = particles[i];
        if (particle.alive) {
            if (advance(particle, elapsedMs)) draw(particle);
        } else if (car && tickCount() - lastEmitTime > emitInterval) {
            emit(particle);
        }
    }
    glPopAttrib();
}

bool SmokeEmitter::advance(Particle& particle, int32_t elapsedMs) {
    const float elapsed = static_cast<float>(elapsedMs);
    particle.position.x += elapsed * particle.velocity.x;
    particle.position.y += elapsed * particle.velocity.y;
    particle.position.z += elapsed * particle.velocity.z;
    particle.alpha -= elapsed * particle.fadeRate;
    if (particle.alpha < 0.0f) particle.alive = false;
    return particle.alive;
}

void SmokeEmitter::draw(const Particle& particle) const {
    glColor4f(0.4f, 0.4f, 0.5f, particle.alpha);
    glPushMatrix();
    glTranslatef(particle.position.x, particle.position.y, particle.position.z);
    float matrix[16];
    billboardMatrix(matrix);
    glLoadMatrixf(matrix);
    glCallList(billboardList);
    glPopMatrix();
}

void SmokeEmitter::emit(Particle& particle) {
    // One interval per particle: a late emitter catches up in a burst rather than skipping.
    lastEmitTime += emitInterval;
    particle.alive = true;
    particle.alpha = 1.0f;
    SmokeRandom& random = smokeRandom();
    particle.velocity.x = static_cast<float>(signedUnit(random.next()) / 20000.0);
    particle.velocity.y = static_cast<float>(signedUnit(random.next()) / 20000.0);
    particle.velocity.z = static_cast<float>(-signedUnit(random.next()) / 20000.0);
    const double heading = car->heading / kDegreesPerRadian;
    const double pitch = car->pitch / kDegreesPerRadian;
    const double distance = spawnDistance;
    particle.position.x = static_cast<float>(car->position.x - distance * std::sin(heading));
    particle.position.y = static_cast<float>(car->position.y + distance * std::cos(heading));
    particle.position.z =
        static_cast<float>(car->position.z + spawnLift + distance * std::sin(pitch));
    particle.fadeRate = static_cast<float>(random.next() / 9830100.0 + 0.0004);
}

void SmokeEmitter::billboardMatrix(float out[16]) {
    glGetFloatv(GL_MODELVIEW_MATRIX, out);
    for (int column = 0; column < 3; ++column) {
        for (int row = 0; row < 3; ++row) out[4 * column + row] = row == column ? 1.0f : 0.0f;
    }
}

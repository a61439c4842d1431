#include "world/car.h"

#include <GL/gl.h>

#include <cmath>

#include "assets/model.h"
#include "platform/frame_profile.h"
#include "world/angles.h"
#include "world/track.h"

namespace {

constexpr double kProbeRadius = 0.15;
// Close to, but not, the reciprocal of the 0.212 spacing of neighbouring probes.
constexpr double kTiltGain = 4.7;

float heightOrNone(const Track* track, double x, double y, float reference) {
    if (!track) return -100.0f;
    return track->heightAt(static_cast<float>(x), static_cast<float>(y), reference);
}

float tiltDegrees(float higher, float lower) {
    return static_cast<float>(std::atan((static_cast<double>(higher) - lower) * kTiltGain) /
                              kRadiansPerDegree);
}

}  // namespace

Car::Car(const char* path) : modelList(loadModel(path)) {}

Car::Car() = default;

void Car::update(int32_t elapsedMs, bool hide) {
    hidden = hide;
    advance(elapsedMs);
    if (!hidden) draw();
}

bool Car::advance(int32_t elapsedMs) {
    profileEnter(ProfileBucket::Simulate);
    heading = static_cast<float>(heading - elapsedMs * 0.1 * turnRate);
    const double distance = elapsedMs * 0.1 * 0.01 * speed;
    const double radians = heading * kRadiansPerDegree;
    position.x = static_cast<float>(position.x - std::sin(radians) * distance);
    position.y = static_cast<float>(position.y + std::cos(radians) * distance);
    const float height = heightOrNone(track, position.x, position.y, position.z);
    // Without a surface under the centre the car glides on at its last height and tilt.
    if (height <= -100.0f) return false;
    const float p45 = probe(45.0);
    const float p135 = probe(135.0);
    const float p225 = probe(225.0);
    position.z = height;
    pitch = tiltDegrees(p45, p135);
    roll = tiltDegrees(p225, p135);
    return true;
}

float Car::probe(double angle) const {
    const double radians = (angle - heading) * kRadiansPerDegree;
    return heightOrNone(track, position.x + kProbeRadius * std::sin(radians),
                        position.y + kProbeRadius * std::cos(radians), position.z);
}

void Car::draw() const {
    profileEnter(ProfileBucket::Draw);
    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    glScalef(0.25f, 0.25f, 0.25f);
    glRotatef(heading, 0.0f, 0.0f, 1.0f);
    glRotatef(pitch, 1.0f, 0.0f, 0.0f);
    glRotatef(roll, 0.0f, 1.0f, 0.0f);
    glCallList(modelList);
    glPopMatrix();
}

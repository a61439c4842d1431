#pragma once
#include "world/vec3.h"

// Pose and motion shared by the cars and the camera, so one Recorder can drive either.
// `speed` holds the negated forward speed: a positive forward speed moves the body along
// its local -y axis, and the accessors and run files exchange the forward speed.
class Body {
  public:
    Vec3 position;
    float pitch = 0.0f;     // degrees about x
    float roll = 0.0f;      // degrees about y
    float heading = 0.0f;   // degrees about z, never wrapped
    float speed = 0.0f;     // world units per second along local +y
    float turnRate = 0.0f;  // degrees per 10 ms; positive lowers the heading

    void getPosition(Vec3& out) const { out = position; }
    void setPosition(const Vec3& value) { position = value; }
    void getRotation(Vec3& out) const { out = Vec3{pitch, roll, heading}; }
    void setRotation(const Vec3& value) {
        pitch = value.x;
        roll = value.y;
        heading = value.z;
    }
    float getSpeed() const { return -speed; }
    void setSpeed(float forwardSpeed) { speed = -forwardSpeed; }
    float getTurnRate() const { return turnRate; }
    void setTurnRate(float value) { turnRate = value; }
};

#pragma once
#include <cstdint>

#include "world/body.h"

class Track;

// One vehicle of the replay: dead-reckons by speed and turn rate, settles on the track
// from four height queries, draws its model unless hidden.
class Car : public Body {
  public:
    // Builds modelList from the model file at path; the process ends inside loadModel when
    // that file cannot be loaded.
    explicit Car(const char* path);
    // A car without a model (modelList 0), for simulation without a context.
    Car();

    void setTrack(const Track* value) { track = value; }
    // Moves and settles by elapsedMs, then draws unless hidden.
    void update(int32_t elapsedMs, bool hidden);
    // The motion and settling part of update, without drawing. Returns whether the track
    // had a surface under the car's centre (without one the car glides on at its last height).
    bool advance(int32_t elapsedMs);
    // The drawing part of update.
    void draw() const;

    // Surface height at angle degrees around the centre in the car's own frame, with the
    // current height as reference; -100 without a surface (or without a track).
    float probe(double angle) const;

    bool hidden = false;
    uint32_t modelList = 0;
    const Track* track = nullptr;
};

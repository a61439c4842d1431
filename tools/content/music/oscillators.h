#pragma once
#include <algorithm>

#include "content/maths/random.h"
#include "content/music/mix.h"
#include "content/music/synth_maths.h"

// Band-limited oscillators, a filter and white noise, at the piece's rate. They run once
// per sample of every voice, so they live here whole, where the voices can inline them.

// The correction that takes the step out of a ramp at phase t (dt of a cycle per sample).
inline double polyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

// A band-limited sawtooth: the polyBLEP keeps its aliasing low at 22050 Hz.
struct Saw {
    double phase = 0.0;
    double next(double hz) {
        const double dt = hz / kRate;
        const double out = 2.0 * phase - 1.0 - polyBlep(phase, dt);
        phase += dt;
        if (phase >= 1.0) phase -= 1.0;
        return out;
    }
};

// A square from two band-limited ramps half a cycle apart.
struct Square {
    double phase = 0.0;
    double next(double hz) {
        const double dt = hz / kRate;
        double half = phase + 0.5;
        if (half >= 1.0) half -= 1.0;
        const double out = (2.0 * phase - polyBlep(phase, dt)) - (2.0 * half - polyBlep(half, dt));
        phase += dt;
        if (phase >= 1.0) phase -= 1.0;
        return out;
    }
};

// Trapezoidal state-variable filter: stays stable however fast the cutoff moves.
struct Svf {
    double ic1 = 0.0, ic2 = 0.0, a1 = 0.0, a2 = 0.0, a3 = 0.0, k = 1.0;
    double low = 0.0, band = 0.0, high = 0.0;

    void tune(double hz, double q) {
        const double g = tanTurns(std::min(hz, kRate * 0.45) / kRate * 0.5);
        k = 1.0 / q;
        a1 = 1.0 / (1.0 + g * (g + k));
        a2 = g * a1;
        a3 = g * a2;
    }
    void run(double in) {
        const double v3 = in - ic2;
        band = a1 * ic1 + a2 * v3;
        low = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2.0 * band - ic1;
        ic2 = 2.0 * low - ic2;
        high = in - k * band - low;
    }
};

// White noise in [-1, 1).
inline double noise(ContentRandom& random) { return random.unit() * 2.0 - 1.0; }

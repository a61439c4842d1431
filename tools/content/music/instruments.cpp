#include "content/music/instruments.h"

#include <algorithm>

#include "content/music/oscillators.h"
#include "content/music/synth_maths.h"

namespace {

double clapEnvelope(double t) {
    double e = 0.0;
    for (int burst = 0; burst < 3; ++burst) {
        const double s = t - 0.011 * burst;
        if (s >= 0.0) e = std::max(e, decay(s, 0.011, 2));
    }
    if (t >= 0.024) e = std::max(e, 0.75 * decay(t - 0.024, 0.2, 3));
    return e;
}

// Linear attack, full level through the gate, then a quadratic release.
double gateEnvelope(double t, double gate, double attack, double release) {
    const double rise = t < attack ? t / attack : 1.0;
    return t <= gate ? rise : rise * decay(t - gate, release, 2);
}

constexpr int kSawsPerNote = 5;
const double kDetune[kSawsPerNote] = {0.9891, 0.9955, 1.0, 1.005, 1.0104};
const double kSpread[kSawsPerNote] = {-1.0, 0.5, 0.0, -0.5, 1.0};

}  // namespace

// ---- Drums.

void kick(Mix& mix, size_t at, double velocity) {
    ContentRandom random(at);
    double phase = 0.0;
    for (size_t i = 0; i < size_t(kRate * 0.42); ++i) {
        const double t = seconds(i);
        phase += (46.0 + 125.0 * decay(t, 0.085, 3)) / kRate;
        const double body = sinTurns(phase) * decay(t, 0.42, 2);
        const double click = noise(random) * decay(t, 0.004, 1) * 0.25;
        const double s = softClip(1.7 * body + click) * velocity;
        mix.drums.add(at + i, s, s);
    }
}

void clap(Mix& mix, size_t at, double velocity) {
    ContentRandom random(at * 3 + 1);
    Svf left, right;
    left.tune(1150.0, 1.4);
    right.tune(1350.0, 1.4);
    for (size_t i = 0; i < size_t(kRate * 0.24); ++i) {
        const double e = clapEnvelope(seconds(i)) * velocity * 1.4;
        left.run(noise(random));
        right.run(noise(random));
        mix.drums.add(at + i, left.band * e, right.band * e);
        mix.reverbSend.addMono(at + i, (left.band + right.band) * e * 0.2);
    }
}

void snare(Mix& mix, size_t at, double velocity) {
    ContentRandom random(at * 5 + 2);
    Svf hiss;
    hiss.tune(1800.0, 0.7);
    double phase = 0.0;
    for (size_t i = 0; i < size_t(kRate * 0.17); ++i) {
        const double t = seconds(i);
        phase += (175.0 + 60.0 * decay(t, 0.03, 2)) / kRate;
        hiss.run(noise(random));
        const double s =
            (0.55 * sinTurns(phase) * decay(t, 0.09, 2) + 0.6 * hiss.high * decay(t, 0.17, 2)) *
            velocity;
        mix.drums.add(at + i, s, s);
        mix.reverbSend.addMono(at + i, s * 0.15);
    }
}

void hat(Mix& mix, size_t at, double velocity, bool open) {
    ContentRandom random(at * 7 + 3);
    Svf filter;
    filter.tune(open ? 6500.0 : 7500.0, 0.9);
    const double length = open ? 0.24 : 0.05;
    const double pan = open ? -0.25 : 0.3;
    for (size_t i = 0; i < size_t(kRate * length); ++i) {
        filter.run(noise(random));
        const double s = filter.high * decay(seconds(i), length, 2) * velocity * 0.5;
        mix.drums.add(at + i, s * (1.0 - pan), s * (1.0 + pan));
    }
}

void crash(Mix& mix, size_t at) {
    ContentRandom random(at * 11 + 4);
    Svf left, right;
    left.tune(3600.0, 0.7);
    right.tune(3900.0, 0.7);
    for (size_t i = 0; i < size_t(kRate * 2.2); ++i) {
        const double e = decay(seconds(i), 2.2, 3) * 0.3;
        left.run(noise(random));
        right.run(noise(random));
        mix.drums.add(at + i, left.high * e, right.high * e);
    }
}

void riser(Mix& mix, size_t at, size_t length) {
    ContentRandom random(at * 13 + 5);
    Svf left, right;
    for (size_t i = 0; i < length; ++i) {
        const double x = double(i) / length;
        if (i % 16 == 0) {
            left.tune(400.0 + 5600.0 * x * x, 2.0);
            right.tune(430.0 + 5900.0 * x * x, 2.0);
        }
        left.run(noise(random));
        right.run(noise(random));
        const double e = 0.22 * x * x;
        mix.drums.add(at + i, left.band * e, right.band * e);
        mix.reverbSend.addMono(at + i, (left.band + right.band) * e * 0.3);
    }
}

// ---- Tonal voices.

void bassNote(Mix& mix, size_t at, int note, double gateSeconds, double velocity) {
    Saw saw;
    Svf filter;
    double subPhase = 0.0;
    const double hz = midiHz(note);
    for (size_t i = 0; i < size_t(kRate * (gateSeconds + 0.02)); ++i) {
        const double t = seconds(i);
        if (i % 8 == 0) filter.tune(170.0 + 1300.0 * velocity * decay(t, 0.09, 2), 1.8);
        subPhase += hz / kRate;
        filter.run(saw.next(hz) + 0.8 * sinTurns(subPhase));
        const double s = filter.low * gateEnvelope(t, gateSeconds, 0.003, 0.02) * velocity * 0.9;
        mix.music.add(at + i, s, s);
    }
}

void chord(Mix& mix, size_t at, const ChordHit& hit) {
    ContentRandom random(at * 17 + 6);
    Saw saws[3][kSawsPerNote];
    for (auto& row : saws)
        for (Saw& saw : row) saw.phase = random.unit();
    Svf left, right;
    const double scale = hit.level / (3 * kSawsPerNote) * 2.2;
    for (size_t i = 0; i < size_t(kRate * (hit.gateSeconds + hit.release)); ++i) {
        const double t = seconds(i);
        if (i % 16 == 0) {
            const double cutoff = hit.cutoff * (1.0 + 0.6 * decay(t, 0.12, 2));
            left.tune(cutoff, 0.9);
            right.tune(cutoff * 1.04, 0.9);
        }
        double l = 0.0, r = 0.0;
        for (int n = 0; n < 3; ++n) {
            const double hz = midiHz(hit.notes[n]);
            for (int v = 0; v < kSawsPerNote; ++v) {
                const double s = saws[n][v].next(hz * kDetune[v]);
                l += s * (1.0 - 0.7 * kSpread[v]);
                r += s * (1.0 + 0.7 * kSpread[v]);
            }
        }
        left.run(l);
        right.run(r);
        const double e = gateEnvelope(t, hit.gateSeconds, hit.attack, hit.release) * scale;
        mix.music.add(at + i, left.low * e, right.low * e);
        mix.reverbSend.addMono(at + i, (left.low + right.low) * e * 0.12);
    }
}

void pluck(Mix& mix, size_t at, int note, double pan, double level) {
    Saw saw;
    Square square;
    Svf filter;
    const double hz = midiHz(note);
    for (size_t i = 0; i < size_t(kRate * 0.3); ++i) {
        const double t = seconds(i);
        if (i % 8 == 0) filter.tune(450.0 + 3800.0 * decay(t, 0.12, 3), 1.6);
        filter.run(saw.next(hz) + 0.5 * square.next(hz * 0.5));
        const double s = filter.low * decay(t, 0.3, 2) * (t < 0.002 ? t / 0.002 : 1.0) * level;
        mix.music.add(at + i, s * (1.0 - pan), s * (1.0 + pan));
        mix.delaySend.addMono(at + i, s * 0.5);
        mix.reverbSend.addMono(at + i, s * 0.2);
    }
}

void leadNote(Mix& mix, size_t at, int note, double gateSeconds, double level) {
    Square square;
    Saw saw;
    Svf filter;
    double lfo = 0.0;
    const double hz = midiHz(note);
    for (size_t i = 0; i < size_t(kRate * (gateSeconds + 0.09)); ++i) {
        const double t = seconds(i);
        lfo += 5.5 / kRate;
        const double depth = t < 0.15 ? 0.0 : std::min(1.0, (t - 0.15) / 0.2) * 0.006;
        const double f = hz * (1.0 + depth * sinTurns(lfo));
        if (i % 8 == 0) filter.tune(2300.0 + 2200.0 * decay(t, 0.1, 2), 1.3);
        filter.run(0.6 * square.next(f) + 0.5 * saw.next(f * 1.006));
        const double sustain = 0.75 + 0.25 * decay(t, 0.2, 2);
        const double s = filter.low * gateEnvelope(t, gateSeconds, 0.006, 0.09) * sustain * level;
        mix.lead.add(at + i, s, s);
        mix.delaySend.addMono(at + i, s * 0.3);
        mix.reverbSend.addMono(at + i, s * 0.25);
    }
}

#include "content/music/music_synth.h"

#include <lame/lame.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "content/maths/random.h"
#include "world/angles.h"

namespace {

constexpr int kRate = 22050;  // the rate the demo mixes at, so nothing is wasted above it
constexpr int kStepsPerBar = 16;
constexpr int kStepSamples = 2450;  // a sixteenth at 135 beats a minute, exactly
constexpr int kBars = 48;
constexpr int kBarsPerSection = 8;
constexpr size_t kLength = size_t(kBars) * kStepsPerBar * kStepSamples;
constexpr double kPeak = 0.84;  // leaves room for the encoder's overshoot below full scale
constexpr int kBitrate = 128;

// ---- Maths of our own: libm's sin, tan and exp may differ by an ulp between builds,
// these only use IEEE-exact operations, so every machine renders the same samples.

// sin(2 pi turns) by a Taylor series on the quarter wave; error below 1e-9.
double sinTurns(double turns) {
    double x = turns - std::floor(turns);
    if (x > 0.75) {
        x -= 1.0;
    } else if (x > 0.25) {
        x = 0.5 - x;
    }
    const double r = x * 2.0 * kPi;
    const double r2 = r * r;
    return r * (1.0 + r2 * (-1.0 / 6 +
                            r2 * (1.0 / 120 +
                                  r2 * (-1.0 / 5040 +
                                        r2 * (1.0 / 362880 + r2 * (-1.0 / 39916800 +
                                                                   r2 * (1.0 / 6227020800.0)))))));
}

double tanTurns(double turns) { return sinTurns(turns) / sinTurns(turns + 0.25); }

// (1 - t / length)^power, zero from length on: a decay with a definite end.
double decay(double t, double length, int power) {
    const double x = 1.0 - t / length;
    if (x <= 0.0) return 0.0;
    double y = 1.0;
    for (int i = 0; i < power; ++i) y *= x;
    return y;
}

// A rational tanh: smooth, odd, and exactly 1 from 3 on.
double softClip(double x) {
    x = std::max(-3.0, std::min(3.0, x));
    return x * (27.0 + x * x) / (27.0 + 9.0 * x * x);
}

double midiHz(int note) {
    static const double kSemitone[12] = {1.0,
                                         1.0594630943592953,
                                         1.122462048309373,
                                         1.189207115002721,
                                         1.2599210498948732,
                                         1.3348398541700344,
                                         1.4142135623730951,
                                         1.4983070768766815,
                                         1.5874010519681994,
                                         1.681792830507429,
                                         1.7817974362806785,
                                         1.8877486253633868};
    int offset = note - 69;
    double hz = 440.0;
    for (; offset < 0; offset += 12) hz *= 0.5;
    for (; offset >= 12; offset -= 12) hz *= 2.0;
    return hz * kSemitone[offset];
}

double seconds(size_t samples) { return double(samples) / kRate; }

// ---- Oscillators and filter.

double polyBlep(double t, double dt) {
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

double noise(ContentRandom& random) { return random.unit() * 2.0 - 1.0; }

// ---- Buses: everything is written modulo the piece's length, so tails that run past
// the end sound at its start and the loop has no seam.

struct Bus {
    std::vector<float> l, r;
    explicit Bus(bool stereo = true) : l(kLength, 0.0f), r(stereo ? kLength : 0, 0.0f) {}
    void add(size_t at, double left, double right) {
        at %= kLength;
        l[at] += float(left);
        r[at] += float(right);
    }
    void addMono(size_t at, double value) { l[at % kLength] += float(value); }
};

struct Mix {
    Bus drums, music, lead, returns;
    Bus delaySend{false}, reverbSend{false};
    std::vector<float> duck = std::vector<float>(kLength, 1.0f);
};

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

double clapEnvelope(double t) {
    double e = 0.0;
    for (int burst = 0; burst < 3; ++burst) {
        const double s = t - 0.011 * burst;
        if (s >= 0.0) e = std::max(e, decay(s, 0.011, 2));
    }
    if (t >= 0.024) e = std::max(e, 0.75 * decay(t - 0.024, 0.2, 3));
    return e;
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

// Filtered noise that rises in pitch and level into the next downbeat.
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

// Linear attack, full level through the gate, then a quadratic release.
double gateEnvelope(double t, double gate, double attack, double release) {
    const double rise = t < attack ? t / attack : 1.0;
    return t <= gate ? rise : rise * decay(t - gate, release, 2);
}

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

struct ChordHit {
    const int* notes;
    double gateSeconds, attack, release, cutoff, level;
};

constexpr int kSawsPerNote = 5;
const double kDetune[kSawsPerNote] = {0.9891, 0.9955, 1.0, 1.005, 1.0104};
const double kSpread[kSawsPerNote] = {-1.0, 0.5, 0.0, -0.5, 1.0};

// Detuned saws spread across the stereo field, each side through its own low-pass.
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

// A short plucked saw-square whose filter snaps shut; it feeds the echo.
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

// The lead: a square and a slightly sharp saw with a delayed vibrato.
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

// ---- The score.

enum PartFlag : uint32_t {
    kKick = 1,
    kClap = 2,
    kHats = 4,
    kHats16 = 8,
    kOpenHat = 16,
    kBass = 32,
    kRolling = 64,
    kGate = 128,
    kPad = 256,
    kArp = 512,
    kLead = 1024,
    kLeadHigh = 2048
};

struct ChordShape {
    const char* name;
    int notes[3];
    int root;
};

const ChordShape kChords[] = {
    {"Am", {57, 60, 64}, 45}, {"F", {57, 60, 65}, 41},  {"C", {55, 60, 64}, 48},
    {"G", {55, 59, 62}, 43},  {"Em", {55, 59, 64}, 40}, {"E", {56, 59, 64}, 40},
    {"Dm", {57, 62, 65}, 50},
};

struct Section {
    uint32_t parts;
    const char* chords[kBarsPerSection];
    const char* lead[kBarsPerSection];  // "note:sixteenths" or "-:sixteenths" for a rest
    double cutoffFrom, cutoffTo;        // the chords' filter, swept across the section
};

// Call and answer over i-VI-III-VII; the 3-3-2 rhythm is shared with the chord gate.
#define THEME_CALL                                                                                \
    "A4:3 C5:3 E5:2 D5:3 C5:3 B4:2", "C5:3 F5:3 E5:2 C5:4 A4:4", "G4:3 C5:3 E5:2 G5:3 E5:3 C5:2", \
        "D5:3 B4:3 G4:2 B4:3 C5:3 D5:2"
#define THEME_ANSWER "E5:3 A5:3 E5:2 G5:3 E5:3 D5:2", "C5:3 F5:3 A5:2 G5:4 F5:4"

const Section kSections[kBars / kBarsPerSection] = {
    // Intro: the lead's held A is where the end's E chord resolves.
    {kKick | kHats | kBass | kPad | kLead,
     {"Am", "F", "C", "G", "Am", "F", "C", "G"},
     {"A4:12 -:4"},
     450.0,
     2600.0},
    {kKick | kClap | kHats | kHats16 | kBass | kRolling | kGate | kLead,
     {"Am", "F", "C", "G", "Am", "F", "C", "G"},
     {THEME_CALL, THEME_ANSWER, "E5:3 G5:3 C6:2 B5:3 G5:3 E5:2", "D5:6 B4:2 D5:4 E5:4"},
     2400.0,
     2800.0},
    // Breakdown: no kick, pads and the arpeggio, then a build.
    {kPad | kArp | kLead,
     {"F", "G", "Am", "Em", "F", "G", "E", "E"},
     {"-:16", "-:16", "-:16", "-:16", "A4:3 C5:3 F5:2 E5:8", "D5:3 G5:3 D5:2 B4:8",
      "B4:3 E5:3 G#5:2 B5:8", "G#5:4 E5:4 D5:4 B4:4"},
     700.0,
     3400.0},
    {kKick | kClap | kHats | kHats16 | kOpenHat | kBass | kRolling | kGate | kLead | kLeadHigh,
     {"Am", "F", "C", "G", "Am", "F", "C", "G"},
     {THEME_CALL, THEME_ANSWER, "E5:3 G5:3 C6:2 B5:3 G5:3 E5:2", "D5:6 B4:2 D5:4 E5:4"},
     3200.0,
     3400.0},
    {kKick | kClap | kHats | kHats16 | kOpenHat | kBass | kRolling | kGate | kArp | kLead,
     {"F", "G", "Am", "Am", "F", "G", "E", "E"},
     {"A5:3 G5:3 F5:2 E5:3 F5:3 G5:2", "G5:3 F5:3 D5:2 B4:4 D5:4", "C5:3 E5:3 A5:10",
      "G5:2 E5:2 C5:2 A4:2 B4:2 C5:2 E5:2 D5:2", "A5:3 G5:3 F5:2 E5:3 F5:3 A5:2",
      "B5:3 A5:3 G5:2 F5:3 E5:3 D5:2", "E5:3 G#5:3 B5:2 G#5:3 E5:3 B4:2", "D5:4 C5:4 B4:4 G#4:4"},
     3000.0,
     3000.0},
    // Out: the theme again, turning on E so the loop lands on the intro's A minor.
    {kKick | kClap | kHats | kHats16 | kBass | kRolling | kGate | kLead,
     {"Am", "F", "C", "G", "Am", "F", "G", "E"},
     {THEME_CALL, THEME_ANSWER, "B5:3 A5:3 G5:2 F5:3 E5:3 D5:2", "E5:4 D5:4 B4:4 G#4:4"},
     3000.0,
     1800.0},
};

const ChordShape& chordNamed(const char* name) {
    for (const ChordShape& shape : kChords) {
        if (std::strcmp(shape.name, name) == 0) return shape;
    }
    return kChords[0];
}

size_t stepStart(int bar, int step) { return (size_t(bar) * kStepsPerBar + step) * kStepSamples; }

// "G#5" -> 80; -1 for a rest or anything else.
int parseNote(const char* text) {
    static const int kLetter[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    if (text[0] < 'A' || text[0] > 'G') return -1;
    int semitone = kLetter[text[0] - 'A'];
    int i = 1;
    if (text[i] == '#') {
        ++semitone;
        ++i;
    }
    if (text[i] < '0' || text[i] > '9') return -1;
    return (text[i] - '0' + 1) * 12 + semitone;
}

// ---- Arrangement, bar by bar.

void drumBar(Mix& mix, int bar, uint32_t parts) {
    for (int step = 0; step < kStepsPerBar; ++step) {
        const size_t at = stepStart(bar, step);
        if ((parts & kKick) && step % 4 == 0) kick(mix, at, 1.0);
        if ((parts & kClap) && step % 8 == 4) clap(mix, at, 0.8);
        if ((parts & kHats) && step % 4 == 2) hat(mix, at, 0.55, (parts & kOpenHat) != 0);
        if ((parts & kHats16) && step % 2 == 1) hat(mix, at, 0.22, false);
    }
    if (bar % kBarsPerSection == 0 && bar != 16) crash(mix, stepStart(bar, 0));
}

// Snare fills into the sections, the build of the breakdown and the turn back to the top.
void fillBar(Mix& mix, int bar) {
    if (bar == 15 || bar == 39) {
        for (int step = 12; step < 16; ++step)
            snare(mix, stepStart(bar, step), 0.4 + 0.1 * (step - 12));
    } else if (bar == 22) {
        for (int step = 0; step < 16; step += 2)
            snare(mix, stepStart(bar, step), 0.25 + 0.02 * step);
        riser(mix, stepStart(bar, 0), size_t(2) * kStepsPerBar * kStepSamples);
    } else if (bar == 23) {
        for (int step = 0; step < 16; ++step) snare(mix, stepStart(bar, step), 0.45 + 0.035 * step);
    } else if (bar == 47) {
        for (int step = 8; step < 16; ++step)
            snare(mix, stepStart(bar, step), 0.4 + 0.07 * (step - 8));
    }
}

// Every kick dips the bass and chords for a moment: the pumping of the genre.
void duckBar(Mix& mix, int bar) {
    const size_t length = size_t(kRate * 0.22);
    for (int beat = 0; beat < 4; ++beat) {
        const size_t at = stepStart(bar, beat * 4);
        for (size_t i = 0; i < length; ++i) {
            const float gain = float(1.0 - 0.62 * decay(seconds(i), 0.22, 2));
            float& slot = mix.duck[(at + i) % kLength];
            slot = std::min(slot, gain);
        }
    }
}

void bassBar(Mix& mix, int bar, uint32_t parts, int root) {
    for (int step = 0; step < kStepsPerBar; ++step) {
        if (step % 4 == 0) continue;
        const bool offBeat = step % 4 == 2;
        if (!offBeat && !(parts & kRolling)) continue;
        bassNote(mix, stepStart(bar, step), root, seconds(kStepSamples) * 0.8,
                 offBeat ? 1.0 : 0.62);
    }
}

double sectionCutoff(const Section& section, int bar) {
    const double x = double(bar % kBarsPerSection) / (kBarsPerSection - 1);
    return section.cutoffFrom + (section.cutoffTo - section.cutoffFrom) * x;
}

void chordBar(Mix& mix, int bar, const Section& section, const ChordShape& shape) {
    const double cutoff = sectionCutoff(section, bar);
    if (section.parts & kPad) {
        chord(mix, stepStart(bar, 0),
              {shape.notes, seconds(kStepSamples) * 16, 0.05, 0.3, cutoff, 0.55});
    }
    if (section.parts & kGate) {
        static const int kHits[] = {0, 3, 6, 8, 11, 14};
        for (int step : kHits) {
            chord(mix, stepStart(bar, step),
                  {shape.notes, seconds(kStepSamples) * 1.5, 0.003, 0.06, cutoff, 0.5});
        }
    }
}

void arpBar(Mix& mix, int bar, const ChordShape& shape) {
    const int tones[4] = {shape.notes[0] + 12, shape.notes[1] + 12, shape.notes[2] + 12,
                          shape.notes[0] + 24};
    static const int kOrder[16] = {0, 1, 2, 3, 2, 1, 2, 3, 0, 1, 2, 3, 2, 3, 1, 2};
    const double level = bar < 16 ? 0.22 : 0.32;
    for (int step = 0; step < kStepsPerBar; ++step) {
        pluck(mix, stepStart(bar, step), tones[kOrder[step]], step % 2 ? 0.35 : -0.35, level);
    }
}

void leadBar(Mix& mix, int bar, const Section& section) {
    const char* text = section.lead[bar % kBarsPerSection];
    int step = 0;
    while (text && *text && step < kStepsPerBar) {
        const int note = parseNote(text);
        const char* colon = std::strchr(text, ':');
        if (!colon) break;
        const int length = std::atoi(colon + 1);
        if (note >= 0) {
            const double gate = seconds(kStepSamples) * (length - 0.35);
            leadNote(mix, stepStart(bar, step), note, gate, 0.5);
            if (section.parts & kLeadHigh)
                leadNote(mix, stepStart(bar, step), note + 12, gate, 0.2);
        }
        step += length;
        text = std::strchr(colon, ' ');
        if (text) ++text;
    }
}

void renderBar(Mix& mix, int bar) {
    const Section& section = kSections[bar / kBarsPerSection];
    const ChordShape& shape = chordNamed(section.chords[bar % kBarsPerSection]);
    drumBar(mix, bar, section.parts);
    fillBar(mix, bar);
    if (section.parts & kKick) duckBar(mix, bar);
    if (section.parts & kBass) bassBar(mix, bar, section.parts, shape.root);
    chordBar(mix, bar, section, shape);
    if ((section.parts & kArp) && (bar >= 4 || !(section.parts & kPad))) arpBar(mix, bar, shape);
    if (section.parts & kLead) leadBar(mix, bar, section);
}

// ---- Effects, run round the loop: a few seconds of the end warm them up first, so the
// echoes and the reverb at the start carry on from the end.

struct PingPong {
    std::vector<float> left = std::vector<float>(kStepSamples * 3, 0.0f);
    std::vector<float> right = std::vector<float>(kStepSamples * 3, 0.0f);
    size_t pos = 0;
    double damped = 0.0;

    void process(double in, double& l, double& r) {
        l = left[pos];
        r = right[pos];
        damped += 0.45 * (r - damped);
        left[pos] = float(in + 0.42 * damped);
        right[pos] = float(l);
        pos = (pos + 1) % left.size();
    }
};

struct Comb {
    std::vector<float> line;
    size_t pos = 0;
    double store = 0.0;
    double process(double in) {
        const double out = line[pos];
        store = out * 0.7 + store * 0.3;
        line[pos] = float(in + store * 0.82);
        pos = (pos + 1) % line.size();
        return out;
    }
};

struct Allpass {
    std::vector<float> line;
    size_t pos = 0;
    double process(double in) {
        const double held = line[pos];
        line[pos] = float(in + held * 0.5);
        pos = (pos + 1) % line.size();
        return held - in;
    }
};

// A Schroeder-Moorer reverb: eight damped combs and four allpasses per side.
struct Reverb {
    Comb combs[2][8];
    Allpass allpasses[2][4];

    Reverb() {
        static const int kComb[8] = {558, 594, 639, 678, 711, 746, 779, 809};
        static const int kAllpass[4] = {278, 220, 170, 113};
        for (int side = 0; side < 2; ++side) {
            for (int i = 0; i < 8; ++i) combs[side][i].line.assign(kComb[i] + side * 12, 0.0f);
            for (int i = 0; i < 4; ++i)
                allpasses[side][i].line.assign(kAllpass[i] + side * 12, 0.0f);
        }
    }
    double side(int s, double in) {
        double sum = 0.0;
        for (Comb& comb : combs[s]) sum += comb.process(in * 0.03);
        for (Allpass& allpass : allpasses[s]) sum = allpass.process(sum);
        return sum;
    }
    void process(double in, double& l, double& r) {
        l = side(0, in);
        r = side(1, in);
    }
};

template <typename Effect>
void runRound(Effect& effect, const std::vector<float>& in, Bus& out, double gain) {
    const size_t warmUp = size_t(kRate) * 4;
    double l = 0.0, r = 0.0;
    for (size_t i = kLength - warmUp; i < kLength; ++i) effect.process(in[i], l, r);
    for (size_t i = 0; i < kLength; ++i) {
        effect.process(in[i], l, r);
        out.l[i] += float(l * gain);
        out.r[i] += float(r * gain);
    }
}

void applyEffects(Mix& mix) {
    PingPong echo;
    runRound(echo, mix.delaySend.l, mix.returns, 0.55);
    for (size_t i = 0; i < kLength; ++i)
        mix.reverbSend.l[i] += 0.2f * (mix.returns.l[i] + mix.returns.r[i]);
    Reverb reverb;
    runRound(reverb, mix.reverbSend.l, mix.returns, 1.0);
}

// ---- Master: sum, a gentle soft clip on the loudest hits, then a fixed peak level.

double peakOf(const MusicPcm& pcm) {
    double peak = 1e-9;
    for (size_t i = 0; i < pcm.left.size(); ++i) {
        peak = std::max(peak, double(std::fabs(pcm.left[i])));
        peak = std::max(peak, double(std::fabs(pcm.right[i])));
    }
    return peak;
}

void scale(std::vector<float>& samples, double gain, bool clip) {
    for (float& s : samples) s = float(clip ? softClip(s * gain) : s * gain);
}

// A high-pass near 17 Hz takes out the small offset that enveloped saws and kicks leave;
// like the effects it runs round the loop.
void removeDc(std::vector<float>& samples) {
    double lastIn = 0.0, lastOut = 0.0;
    auto step = [&](size_t i) {
        const double out = samples[i] - lastIn + 0.995 * lastOut;
        lastIn = samples[i];
        lastOut = out;
        return out;
    };
    for (size_t i = kLength - size_t(kRate) * 4; i < kLength; ++i) step(i);
    for (size_t i = 0; i < kLength; ++i) samples[i] = float(step(i));
}

MusicPcm master(const Mix& mix) {
    MusicPcm pcm;
    pcm.rate = kRate;
    pcm.left.resize(kLength);
    pcm.right.resize(kLength);
    for (size_t i = 0; i < kLength; ++i) {
        const double duck = mix.duck[i];
        const double leadDuck = 1.0 - 0.3 * (1.0 - duck);
        pcm.left[i] = float(0.65 * mix.drums.l[i] + 0.7 * duck * mix.music.l[i] +
                            0.6 * leadDuck * mix.lead.l[i] + mix.returns.l[i]);
        pcm.right[i] = float(0.65 * mix.drums.r[i] + 0.7 * duck * mix.music.r[i] +
                             0.6 * leadDuck * mix.lead.r[i] + mix.returns.r[i]);
    }
    removeDc(pcm.left);
    removeDc(pcm.right);
    const double drive = 1.35 / peakOf(pcm);
    scale(pcm.left, drive, true);
    scale(pcm.right, drive, true);
    const double level = kPeak / peakOf(pcm);
    scale(pcm.left, level, false);
    scale(pcm.right, level, false);
    return pcm;
}

// ---- Encoding.

void quiet(const char*, va_list) {}

struct LameHandle {
    lame_global_flags* flags = lame_init();
    ~LameHandle() {
        if (flags) lame_close(flags);
    }
};

bool configure(lame_global_flags* flags) {
    lame_set_errorf(flags, quiet);
    lame_set_debugf(flags, quiet);
    lame_set_msgf(flags, quiet);
    lame_set_in_samplerate(flags, kRate);
    lame_set_out_samplerate(flags, kRate);
    lame_set_num_channels(flags, 2);
    lame_set_mode(flags, JOINT_STEREO);
    lame_set_VBR(flags, vbr_off);
    lame_set_brate(flags, kBitrate);
    lame_set_quality(flags, 2);
    lame_set_bWriteVbrTag(flags, 1);
    lame_set_write_id3tag_automatic(flags, 0);
    return lame_init_params(flags) >= 0;
}

bool encode(const MusicPcm& pcm, std::vector<unsigned char>& mp3, std::string& error) {
    LameHandle lame;
    if (!lame.flags || !configure(lame.flags)) {
        error = "the MP3 encoder rejected its settings";
        return false;
    }
    const int chunk = 8192;
    std::vector<unsigned char> buffer(chunk * 5 / 4 + 7200);
    for (size_t at = 0; at < pcm.left.size(); at += chunk) {
        const int count = int(std::min<size_t>(chunk, pcm.left.size() - at));
        const int bytes = lame_encode_buffer_ieee_float(lame.flags, &pcm.left[at], &pcm.right[at],
                                                        count, buffer.data(), int(buffer.size()));
        if (bytes < 0) {
            error = "the MP3 encoder failed (code " + std::to_string(bytes) + ")";
            return false;
        }
        mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + bytes);
    }
    const int tail = lame_encode_flush(lame.flags, buffer.data(), int(buffer.size()));
    if (tail < 0) {
        error = "the MP3 encoder failed to flush";
        return false;
    }
    mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + tail);
    // The first frame is a placeholder for the tag that tells players the encoder's delay
    // and padding; with it they cut both and the loop closes without a gap.
    const size_t tagBytes = lame_get_lametag_frame(lame.flags, buffer.data(), buffer.size());
    if (tagBytes > 0 && tagBytes <= mp3.size())
        std::copy(buffer.begin(), buffer.begin() + tagBytes, mp3.begin());
    return true;
}

bool writeFile(const char* path, const std::vector<unsigned char>& bytes, std::string& error) {
    FILE* file = std::fopen(path, "wb");
    if (!file) {
        error = std::string(path) + ": cannot create (" + std::strerror(errno) + ")";
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (written && closed) return true;
    error = std::string(path) + ": write failed (" + std::strerror(errno) + ")";
    std::remove(path);
    return false;
}

}  // namespace

MusicPcm renderMusic() {
    Mix mix;
    for (int bar = 0; bar < kBars; ++bar) renderBar(mix, bar);
    applyEffects(mix);
    return master(mix);
}

bool writeMusic(const char* path, std::string& error) {
    std::vector<unsigned char> mp3;
    if (!encode(renderMusic(), mp3, error)) {
        error = std::string(path) + ": " + error;
        return false;
    }
    return writeFile(path, mp3, error);
}

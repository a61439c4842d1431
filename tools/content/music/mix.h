#pragma once
#include <cstddef>
#include <vector>

// The piece's clock and the buses every voice plays into: 48 bars of sixteenths at 135 beats
// a minute, at the rate the demo mixes at, so nothing is wasted above it.
constexpr int kRate = 22050;
constexpr int kStepsPerBar = 16;
constexpr int kStepSamples = 2450;  // a sixteenth at 135 beats a minute, exactly
constexpr int kBars = 48;
constexpr int kBarsPerSection = 8;
constexpr size_t kLength = size_t(kBars) * kStepsPerBar * kStepSamples;

inline double seconds(size_t samples) { return double(samples) / kRate; }

// The first sample of sixteenth `step` of bar `bar`.
inline size_t stepStart(int bar, int step) {
    return (size_t(bar) * kStepsPerBar + step) * kStepSamples;
}

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

// The piece as the voices play it: drums, music (bass and chords) and lead are summed by the
// master, the sends feed the echo and the reverb, whose output goes to the returns, and duck
// is the gain with which every kick dips the bass and chords.
struct Mix {
    Bus drums, music, lead, returns;
    Bus delaySend{false}, reverbSend{false};
    std::vector<float> duck = std::vector<float>(kLength, 1.0f);
};

#include "content/music/mastering.h"

#include <algorithm>
#include <cmath>

#include "content/music/synth_maths.h"

namespace {

constexpr double kPeak = 0.84;  // leaves room for the encoder's overshoot below full scale

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

}  // namespace

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

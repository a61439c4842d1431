#include "content/music/effects.h"

#include <vector>

namespace {

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

// Runs an effect round the loop: a few seconds of the end warm it up first.
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

}  // namespace

void applyEffects(Mix& mix) {
    PingPong echo;
    runRound(echo, mix.delaySend.l, mix.returns, 0.55);
    for (size_t i = 0; i < kLength; ++i)
        mix.reverbSend.l[i] += 0.2f * (mix.returns.l[i] + mix.returns.r[i]);
    Reverb reverb;
    runRound(reverb, mix.reverbSend.l, mix.returns, 1.0);
}

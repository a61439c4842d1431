#include "content/music/synth_maths.h"

#include <algorithm>
#include <cmath>

#include "world/angles.h"

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

double decay(double t, double length, int power) {
    const double x = 1.0 - t / length;
    if (x <= 0.0) return 0.0;
    double y = 1.0;
    for (int i = 0; i < power; ++i) y *= x;
    return y;
}

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

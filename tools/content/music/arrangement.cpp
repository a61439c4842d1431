#include "content/music/arrangement.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "content/music/instruments.h"
#include "content/music/score.h"
#include "content/music/synth_maths.h"

namespace {

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

double sectionCutoff(const ScoreSection& section, int bar) {
    const double x = double(bar % kBarsPerSection) / (kBarsPerSection - 1);
    return section.cutoffFrom + (section.cutoffTo - section.cutoffFrom) * x;
}

void chordBar(Mix& mix, int bar, const ScoreSection& section, const ChordShape& shape) {
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

void leadBar(Mix& mix, int bar, const ScoreSection& section) {
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

}  // namespace

void renderBar(Mix& mix, int bar) {
    const ScoreSection& section = sectionOf(bar);
    const ChordShape& shape = chordNamed(section.chords[bar % kBarsPerSection]);
    drumBar(mix, bar, section.parts);
    fillBar(mix, bar);
    if (section.parts & kKick) duckBar(mix, bar);
    if (section.parts & kBass) bassBar(mix, bar, section.parts, shape.root);
    chordBar(mix, bar, section, shape);
    if ((section.parts & kArp) && (bar >= 4 || !(section.parts & kPad))) arpBar(mix, bar, shape);
    if (section.parts & kLead) leadBar(mix, bar, section);
}

#include "content/music/score.h"

#include <cstring>

namespace {

const ChordShape kChords[] = {
    {"Am", {57, 60, 64}, 45}, {"F", {57, 60, 65}, 41},  {"C", {55, 60, 64}, 48},
    {"G", {55, 59, 62}, 43},  {"Em", {55, 59, 64}, 40}, {"E", {56, 59, 64}, 40},
    {"Dm", {57, 62, 65}, 50},
};

// Call and answer over i-VI-III-VII; the 3-3-2 rhythm is shared with the chord gate.
#define THEME_CALL                                                                                \
    "A4:3 C5:3 E5:2 D5:3 C5:3 B4:2", "C5:3 F5:3 E5:2 C5:4 A4:4", "G4:3 C5:3 E5:2 G5:3 E5:3 C5:2", \
        "D5:3 B4:3 G4:2 B4:3 C5:3 D5:2"
#define THEME_ANSWER "E5:3 A5:3 E5:2 G5:3 E5:3 D5:2", "C5:3 F5:3 A5:2 G5:4 F5:4"

const ScoreSection kSections[kBars / kBarsPerSection] = {
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

}  // namespace

const ScoreSection& sectionOf(int bar) { return kSections[bar / kBarsPerSection]; }

const ChordShape& chordNamed(const char* name) {
    for (const ChordShape& shape : kChords) {
        if (std::strcmp(shape.name, name) == 0) return shape;
    }
    return kChords[0];
}

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

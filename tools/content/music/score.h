#pragma once
#include <cstdint>

#include "content/music/mix.h"

// The score: which parts play in each section of eight bars, its chords and its lead line.

// The parts a section may have play.
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

// A chord: its three notes and the root the bass plays (MIDI notes).
struct ChordShape {
    const char* name;
    int notes[3];
    int root;
};

// Eight bars: which parts play, the chord of each bar and its lead line.
struct ScoreSection {
    uint32_t parts;
    const char* chords[kBarsPerSection];
    const char* lead[kBarsPerSection];  // "note:sixteenths" or "-:sixteenths" for a rest
    double cutoffFrom, cutoffTo;        // the chords' filter, swept across the section
};

// The section that bar `bar` belongs to.
const ScoreSection& sectionOf(int bar);
// The chord of that name ("Am", "G#m"); the first chord for a name it does not know.
const ChordShape& chordNamed(const char* name);
// "G#5" -> 80; -1 for a rest or anything else.
int parseNote(const char* text);

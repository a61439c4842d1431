#pragma once
#include <cstddef>

#include "content/music/mix.h"

// The voices of the piece. Each plays one hit or note into the mix from sample `at` on.

// ---- Drums.
void kick(Mix& mix, size_t at, double velocity);
void clap(Mix& mix, size_t at, double velocity);
void snare(Mix& mix, size_t at, double velocity);
void hat(Mix& mix, size_t at, double velocity, bool open);
void crash(Mix& mix, size_t at);
// Filtered noise that rises in pitch and level into the next downbeat.
void riser(Mix& mix, size_t at, size_t length);

// ---- Tonal voices.
void bassNote(Mix& mix, size_t at, int note, double gateSeconds, double velocity);

// A chord of three notes (MIDI), held for gateSeconds, with its envelope, filter and level.
struct ChordHit {
    const int* notes;
    double gateSeconds, attack, release, cutoff, level;
};
// Detuned saws spread across the stereo field, each side through its own low-pass.
void chord(Mix& mix, size_t at, const ChordHit& hit);
// A short plucked saw-square whose filter snaps shut; it feeds the echo.
void pluck(Mix& mix, size_t at, int note, double pan, double level);
// The lead: a square and a slightly sharp saw with a delayed vibrato.
void leadNote(Mix& mix, size_t at, int note, double gateSeconds, double level);

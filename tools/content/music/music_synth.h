#pragma once
#include <string>
#include <vector>

// The demo's looping background piece: 48 bars of A-minor trance at 135 beats a minute,
// 85.3 s of 22050 Hz stereo whose end runs seamlessly into its start.
struct MusicPcm {
    int rate = 0;
    std::vector<float> left, right;  // in [-1, 1]
};

// Synthesises the piece; the same samples on every run (own oscillators and generators,
// no library maths beyond IEEE-exact operations).
MusicPcm renderMusic();

// Renders the piece and writes it to path as a 128 kbps constant-bit-rate MP3 with a
// LAME tag, so players that honour it loop without a gap. Returns false with error set
// (naming the file) when encoding or writing fails; a partly written file is removed.
bool writeMusic(const char* path, std::string& error);

#pragma once
#include <string>

#include "content/music/mastering.h"
#include "content/pack/content_sink.h"

// The demo's looping background piece: 48 bars of A-minor trance at 135 beats a minute,
// 85.3 s of 22050 Hz stereo whose end runs seamlessly into its start. The score says what
// plays (score.cpp), the arrangement plays it bar by bar on the instruments (arrangement.cpp,
// instruments.cpp), the effects and the mastering finish it (effects.cpp, mastering.cpp).

// Synthesises the piece; the same samples on every run (own oscillators and generators,
// no library maths beyond IEEE-exact operations).
MusicPcm renderMusic();

// Renders the piece and writes it as audio\music.mp3 (mp3_encoding.h). Returns false with
// error set (naming the file) when encoding or writing fails.
bool writeMusic(const ContentSink& sink, std::string& error);

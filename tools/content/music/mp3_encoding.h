#pragma once
#include <string>
#include <vector>

#include "content/music/mastering.h"

// Encodes the piece as a 128 kbps constant-bit-rate MP3 with a LAME tag, so players that
// honour it loop without a gap. False, with error saying why, when the encoder fails.
bool encodeMp3(const MusicPcm& pcm, std::vector<unsigned char>& mp3, std::string& error);

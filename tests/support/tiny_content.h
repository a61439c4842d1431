#pragma once
#include <string>
#include <vector>

#include "replay/run_record.h"

class TempDir;

// A small but complete content folder for the demo: a flat 8 x 8 track around the origin,
// a landscape plate below it, two box cars, a two-tone sky, a smoke image and the three
// run files given (an empty list writes no file at all).
struct TinyContent {
    std::vector<RunRecord> cameraRun;
    std::vector<RunRecord> ds21Run;
    std::vector<RunRecord> r5Run;
    bool writeMusic = false;    // audio/music.mp3, as writeToneMp3 makes it
    bool visibleSmoke = false;  // otherwise the smoke image is all black (fully keyed out)
};

void writeTinyContent(const TempDir& dir, const TinyContent& content);

// A run of records `gapMs` apart holding one pose, speed and turn rate.
std::vector<RunRecord> steadyRun(int records, uint32_t gapMs, Vec3 position, float heading,
                                 float forwardSpeed, float turnRate = 0.0f);

// Bytes of a run file.
std::vector<uint8_t> encodeRun(const std::vector<RunRecord>& records);

// A 24-bit BMP of w x h pixels given as R, G, B bottom row first; every pixel one colour; or a
// vertical gradient between two.
std::vector<uint8_t> rgbBmp(int w, int h, const std::vector<uint8_t>& rgb);
std::vector<uint8_t> solidBmp(int w, int h, uint8_t r, uint8_t g, uint8_t b);
std::vector<uint8_t> gradientBmp(int w, int h, const uint8_t bottom[3], const uint8_t top[3]);

// Half a second of a 441 Hz square tone as an MP3 at relative, made with the lame tool.
void writeToneMp3(const TempDir& dir, const std::string& relative);

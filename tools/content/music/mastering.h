#pragma once
#include <vector>

#include "content/music/mix.h"

// The finished piece: 85.3 s of 22050 Hz stereo whose end runs seamlessly into its start.
struct MusicPcm {
    int rate = 0;
    std::vector<float> left, right;  // in [-1, 1]
};

// Sums the buses, clips the loudest hits gently and sets a fixed peak level.
MusicPcm master(const Mix& mix);

#pragma once
#include "content/pack/bmp_writer.h"

constexpr int kIconSize = 256;
// At the pack's root: the demo never reads it; an install puts it among the desktop icons.
constexpr const char* kIconPath = "zorvex.png";

// The desktop icon: the saloon in profile on the track by the kerb under the sky, each part
// taken from the pack's own paintings (car texture, track atlas, sky), 256 x 256.
Picture paintIcon();

#pragma once
#include "content/music/mix.h"

// The echo and the reverb: their sends played through them into the returns bus, round the
// loop, so the echoes and the reverb at the start carry on from the end.
void applyEffects(Mix& mix);

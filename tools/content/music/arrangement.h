#pragma once
#include "content/music/mix.h"

// Plays bar `bar` of the score into the mix: drums, fills, the kick's ducking, bass, chords,
// arpeggio and lead, as the bar's section asks.
void renderBar(Mix& mix, int bar);

#pragma once
#include "pack/findings.h"

class Track;

// The three run files as the recorders play them (whole records, times, values), and the two
// cars' runs driven as the demo drives them, record by record and by dead reckoning between,
// over the track's surface: a warning where a car would leave it.
void checkRuns(const Track& track, Findings& findings);

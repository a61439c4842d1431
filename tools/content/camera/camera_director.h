#pragma once
#include <vector>

#include "content/camera/sight_map.h"
#include "content/circuit/circuit.h"
#include "content/circuit/terrain.h"
#include "content/race/race.h"
#include "replay/run_record.h"

// One camera pose per record of the race, like television. Every shot is a fixed camera
// until the next record, so each is chosen for the cars it will show while it is on the
// screen: from close beside the road, aimed where the leader will be at its middle, held
// while the leader stays large in the picture and cut before it leaves. The start, the
// pass, the crossing of the bridge and the finish each get the shot that tells them.
std::vector<RunRecord> directCameras(const Circuit& circuit, const Terrain& terrain,
                                     const RaceLog& race, const SightMap& sight);

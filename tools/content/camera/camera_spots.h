#pragma once
#include <vector>

#include "content/circuit/circuit.h"
#include "content/circuit/terrain.h"

// A place for a television camera beside the track. Spots on towers get a small platform
// in the landscape; the others stand on the grandstand roof and on the bridge.
struct CameraSpot {
    double x = 0.0, y = 0.0, z = 0.0;  // the eye
    double s = 0.0;                    // the station it looks at first
    bool tower = true;
};

// Every spot, in order of the station they watch. The landscape keeps trees off them and
// the camera run counts them among the places it may film from.
std::vector<CameraSpot> cameraSpots(const Circuit& circuit, const Terrain& terrain);

// Plan rectangles kept free of trees and camera towers: the grandstand, the paddock and the
// bridge's cutting.
bool inBuiltArea(const Circuit& circuit, double x, double y);

#pragma once

constexpr double kPi = 3.14159265358979323846;

// The cars' motion and tilt turn degrees into radians with pi / 180 cut short after seven
// digits. The recorded runs were made with this factor, and everything that must agree with
// the cars (the race that records them, the run plot) uses it too: the full pi / 180 would
// make replayed cars drift off their recorded lines.
constexpr double kRadiansPerDegree = 0.0174532;

// The smoke's spawn point turns radians back into degrees with the full-precision factor.
constexpr double kDegreesPerRadian = 57.29577951308232;

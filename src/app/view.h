#pragma once

// The picture the demo shows: its window, its full-screen mode and its projection. The demo,
// the tools that render it offscreen, the content generator (which aims the camera run for
// this picture) and the tests all take these from here.

// The window: 450 by 450 pixels at 100, 100, with this title.
constexpr int kWindowWidth = 450;
constexpr int kWindowHeight = 450;
constexpr int kWindowX = 100;
constexpr int kWindowY = 100;
constexpr const char* kWindowTitle = "ZORVEX 2005";

// Full screen: 1024 by 768 pixels, 16 bits per pixel, 60 Hz.
constexpr const char* kGameModeString = "1024x768:16@60";

// The projection: 65 degrees high, near and far planes in world units. The sky box's corners
// lie 10 * sqrt(3), about 17.32, from the eye, just inside the far plane.
constexpr double kFieldOfViewDegrees = 65.0;
constexpr double kNearPlane = 0.1;
constexpr double kFarPlane = 17.4;

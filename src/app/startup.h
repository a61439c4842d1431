#pragma once

// The demo's entry: banner, music, options, window, scene, callbacks, main loop.
int runDemo(int argc, char** argv);

// Opens the drawing surface for the settled options: game mode when FullScreen is set
// (falling back to a full-screen window when it cannot be entered), else the 450 x 450
// window "ZORVEX 2005" at 100, 100.
void openSurface();

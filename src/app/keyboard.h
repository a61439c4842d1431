#pragma once

// GLUT key-press callback: does nothing.
void keyDown(unsigned char key, int x, int y);
// GLUT key-release callback: 'c' cycles the camera, 'x' ends the process with status 0.
void keyUp(unsigned char key, int x, int y);

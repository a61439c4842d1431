#include "app/keyboard.h"

#include <cstdlib>

#include "app/frame.h"
#include "app/scene.h"
#include "world/camera.h"

void keyDown(unsigned char, int, int) {}

void keyUp(unsigned char key, int, int) {
    // Lower case only: shift or caps lock make these keys do nothing.
    if (key == 'c') {
        cameraMode = camera->cycleMode();
    } else if (key == 'x') {
        std::exit(0);
    }
}

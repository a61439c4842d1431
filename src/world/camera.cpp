#include "world/camera.h"

#include <GL/gl.h>

#include "assets/pack_files.h"
#include "assets/texture.h"
#include "world/car.h"

namespace {

struct SkyVertex {
    float s, t;
    float x, y, z;
};

// Six faces of a cube of half-size 10 around the eye, each showing the whole image; on the
// side faces t runs with height.
constexpr SkyVertex kSkyBox[24] = {
    {0, 0, -10, -10, -10}, {0, 1, -10, 10, -10}, {1, 1, 10, 10, -10}, {1, 0, 10, -10, -10},
    {0, 0, -10, -10, 10},  {0, 1, -10, 10, 10},  {1, 1, 10, 10, 10},  {1, 0, 10, -10, 10},
    {0, 0, 10, -10, -10},  {0, 1, 10, -10, 10},  {1, 1, 10, 10, 10},  {1, 0, 10, 10, -10},
    {0, 0, -10, -10, -10}, {0, 1, -10, -10, 10}, {1, 1, -10, 10, 10}, {1, 0, -10, 10, -10},
    {0, 0, -10, 10, -10},  {0, 1, -10, 10, 10},  {1, 1, 10, 10, 10},  {1, 0, 10, 10, -10},
    {0, 0, -10, -10, -10}, {0, 1, -10, -10, 10}, {1, 1, 10, -10, 10}, {1, 0, 10, -10, -10},
};

}  // namespace

Camera::Camera(Car* followed) : target(followed) {
    setPosition(kCameraStartPosition);
    setRotation(kCameraStartRotation);
    glGenTextures(1, &skyTexture);
    loadMipmappedTexture(kSkyBitmapFile, skyTexture);
}

int32_t Camera::cycleMode() {
    mode = mode + 1 > 2 ? 0 : mode + 1;
    return mode;
}

// The free view's translation is a tenth of the recorded position, not negated: the camera
// runs were recorded for that, so the eye stands at -position / 10.
void Camera::apply(int32_t) {
    appliedSkyBox = mode == 0 || (mode == 1 && target);
    if (mode == 0) {
        appliedTurn[0] = pitch;
        appliedTurn[1] = roll;
        appliedTurn[2] = heading;
    } else if (mode == 1 && target) {
        appliedTurn[0] = target->pitch - 90.0f;
        appliedTurn[1] = target->roll;
        appliedTurn[2] = 180.0f - target->heading;
    }
    turnAsApplied();
    if (mode == 0) {
        glTranslatef(position.x / 10.0f, position.y / 10.0f, position.z / 10.0f);
    } else if (mode == 1 && target) {
        glTranslatef(-target->position.x, -target->position.y, -0.1f - target->position.z);
    } else if (mode == 2 && target) {
        glTranslatef(-target->position.x, -target->position.y, -target->position.z - 4.0f);
    }
}

bool Camera::turnAsApplied() const {
    if (!appliedSkyBox) return false;
    glRotatef(appliedTurn[0], 1.0f, 0.0f, 0.0f);
    glRotatef(appliedTurn[1], 0.0f, 1.0f, 0.0f);
    glRotatef(appliedTurn[2], 0.0f, 0.0f, 1.0f);
    return true;
}

void Camera::drawSkyBox() const {
    glBindTexture(GL_TEXTURE_2D, skyTexture);
    glBegin(GL_QUADS);
    for (const SkyVertex& vertex : kSkyBox) {
        glTexCoord2f(vertex.s, vertex.t);
        glVertex3f(vertex.x, vertex.y, vertex.z);
    }
    glEnd();
}

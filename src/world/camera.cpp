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
    position = Vec3{-16.0f, -17.0f, 4.0f};
    pitch = -94.0f;
    roll = -1.0f;
    heading = 178.0f;
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
    if (mode != 0 && !target) return;
    if (mode == 0) {
        glRotatef(pitch, 1.0f, 0.0f, 0.0f);
        glRotatef(roll, 0.0f, 1.0f, 0.0f);
        glRotatef(heading, 0.0f, 0.0f, 1.0f);
        drawSkyBox();
        glTranslatef(position.x / 10.0f, position.y / 10.0f, position.z / 10.0f);
    } else if (mode == 1) {
        glRotatef(target->pitch - 90.0f, 1.0f, 0.0f, 0.0f);
        glRotatef(target->roll, 0.0f, 1.0f, 0.0f);
        glRotatef(180.0f - target->heading, 0.0f, 0.0f, 1.0f);
        drawSkyBox();
        glTranslatef(-target->position.x, -target->position.y, -0.1f - target->position.z);
    } else if (mode == 2) {
        glTranslatef(-target->position.x, -target->position.y, -target->position.z - 4.0f);
    }
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

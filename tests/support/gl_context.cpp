#include "support/gl_context.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/gl_driver.h"

namespace {
int window = 0;
}

void ensureGlContext(int width, int height) {
    if (window == 0) {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr)
            << "the OpenGL tests need an X display (run them under xvfb-run)";
        int argc = 1;
        char name[] = "zorvex_tests";
        char* argv[] = {name, nullptr};
        glutInit(&argc, argv);
        glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_ACCUM | GLUT_DEPTH);
        glutInitWindowSize(width, height);
        glutInitWindowPosition(0, 0);
        window = glutCreateWindow("zorvex test");
        keepGlDriverLoaded();
        glutDisplayFunc([] {});
    } else {
        glutReshapeWindow(width, height);
    }
    // Let the window reach its size before anything is drawn into it.
    for (int i = 0; i < 20; ++i) glutMainLoopEvent();
    glViewport(0, 0, width, height);
}

std::vector<uint8_t> readPixels(int x, int y, int width, int height) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

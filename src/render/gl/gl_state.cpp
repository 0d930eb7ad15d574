#include "render/gl/gl_state.h"

#include <GL/gl.h>

#include "assets/textures.h"

void applyView(const ViewProjection& view) {
    glViewport(0, 0, view.width, view.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(view.left, view.right, view.bottom, view.top, 0.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

bool setupGLState() {
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    glClearDepth(1.0);
    glEnable(GL_TEXTURE_2D);
    // Everything is drawn at z = 0: with LEQUAL later primitives always pass,
    // so drawing order decides what lies on top.
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    textureOptions.mipmapping = true;
    textureOptions.filterMode = 2;
    return true;
}

bool readBackBuffer(int width, int height, std::vector<uint8_t>& rgb) {
    if (width <= 0 || height <= 0) return false;
    rgb.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, 0);
    while (glGetError() != GL_NO_ERROR) {
    }
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    glPopClientAttrib();
    return glGetError() == GL_NO_ERROR;
}

// The Renderer on OpenGL: the fixed state and view, the bitmap font, texture
// upload, and the scene drawn in immediate mode.
#pragma once

#include "render/renderer.h"

class GlRenderer : public Renderer {
public:
    void applyView(const ViewProjection& view) override;
    void setupGLState() override;
    void buildFont() override;
    void reloadTextures() override;
    void drawFrame(const View& view, const FrameOverlay& extras) override;
};

// What the program asks of the drawing side, always in the current context
// of the open window: the view, the fixed GL state, the overlay font, the
// textures, and one frame of every world with the overlay. The GL
// implementation lives in src/render/gl; a run without a window uses one
// that draws nothing.
#pragma once

#include "render/frame_overlay.h"
#include "render/view.h"

// The orthographic view set on every resize: viewport width x height at the
// origin, projection from (left, bottom) to (right, top), depth 0 to 1.
struct ViewProjection {
    int width = 0, height = 0;
    int left = 0, right = 0, bottom = 0, top = 0;
};

class Renderer {
public:
    virtual ~Renderer() = default;

    virtual void applyView(const ViewProjection& view) = 0;
    virtual void setupGLState() = 0;
    // The overlay font's glyphs, made again in every new context.
    virtual void buildFont() = 0;
    // Every texture the registry holds, uploaded again into a new context.
    virtual void reloadTextures() = 0;
    // Clears and draws every world as `view` shows it, then the overlay (the
    // consoles and what `extras` holds) in screen space, into the back
    // buffer. Drawing only reads.
    virtual void drawFrame(const View& view, const FrameOverlay& extras) = 0;
};

// For runs without a window.
class NullRenderer : public Renderer {
public:
    void applyView(const ViewProjection&) override {}
    void setupGLState() override {}
    void buildFont() override {}
    void reloadTextures() override {}
    void drawFrame(const View&, const FrameOverlay&) override {}
};

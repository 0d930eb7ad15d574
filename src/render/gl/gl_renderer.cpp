#include "render/gl/gl_renderer.h"

#include "assets/textures.h"
#include "render/gl/font.h"
#include "render/gl/gl_state.h"
#include "render/gl/scene.h"

void GlRenderer::applyView(const ViewProjection& view) { ::applyView(view); }
void GlRenderer::setupGLState() { ::setupGLState(); }
void GlRenderer::buildFont() { ::buildFont(); }
void GlRenderer::reloadTextures() { ::reloadTextures(); }
void GlRenderer::drawFrame(const View& view, const FrameOverlay& extras) { drawScene(view, extras); }

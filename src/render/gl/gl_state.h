// The fixed OpenGL state and the view: what resizeView and setupGLState
// ask of the current context.
#pragma once

#include <cstdint>
#include <vector>

#include "render/renderer.h"

// Viewport and orthographic projection (depth 0 to 1); leaves the
// model-view matrix current and at identity.
void applyView(const ViewProjection& view);

// Smooth shading, clear values, texturing, depth test (LEQUAL), alpha
// blending, nicest hints; clears; sets the texture loader to mipmapping with
// trilinear filtering. Returns true.
bool setupGLState();

// The back buffer's pixels (the frame drawn but not yet swapped), width x
// height RGB from the bottom-left corner.
bool readBackBuffer(int width, int height, std::vector<uint8_t>& rgb);

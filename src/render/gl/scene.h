// Drawing one frame: every world (filled shapes, textured polygons, body
// and joint markers, springs, grab points), then the text overlay.
#pragma once

#include "render/frame_overlay.h"
#include "render/view.h"
#include "sim/records.h"

// Clears, draws every world of `worlds` as `view` shows it and the overlay
// with `extras`; the caller swaps. Drawing reads the worlds and changes
// nothing in them.
void drawScene(const View& view, const FrameOverlay& extras);

// The world's models from their roots, then its springs.
void drawWorld(const World& world);

// A body and, unless it is textured, the bodies hanging from its sockets.
void drawBody(const Body& body);

// The shape's triangles in its colour, with corners from its current outline.
void drawShape(const Shape& shape);

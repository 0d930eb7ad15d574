// Drawing one frame: every world (filled shapes, textured polygons, body
// and joint markers, springs, grab points), then the text overlay.
#pragma once

#include "sim/records.h"

// Clears, draws every world of `worlds` and the overlay; the caller swaps.
bool renderFrame();

// Makes `world` current, draws its models from their roots, then its springs.
void drawWorld(World& world);

// A body and, unless it is textured, the bodies hanging from its sockets.
void drawBody(Body& body);

// The shape's triangles in its colour, resolved against its current outline.
void drawShape(Shape& shape);

// A shape's prediction in one pass over its points, four at a time: the
// predicted outline, its corner vectors and edge normals, the quads the
// contact kernel reads, and the bounds of the current and predicted points
// (for the model's box).
#pragma once

#include "sim/predicted_motion.h"
#include "sim/records.h"

// Fills predContours, cornerVectors and edgeNormals from curContours, lays
// out edgeQuads and vertexQuads four points at a time (each lane holds the
// point, edge and normal of its index; lanes past a contour's end are zero
// and out of laneMask), and, when `model` is
// given, widens its box by every current and predicted point exactly as
// widening point by point in outline order would (current, then predicted,
// vertex by vertex). Allocates only when the number of quads changes.
// Without `withEdges` it leaves cornerVectors, edgeNormals, edgeQuads and
// the corner lanes of the vertex quads as they were, for layOutShapeEdges to
// fill later from the same predicted points, to the same bits.
void predictShapeOutline(Shape& shape, const PredictedMotion& motion, Model* model, bool withEdges = true);

// The edge data predictShapeOutline left out, from predContours.
void layOutShapeEdges(Shape& shape);

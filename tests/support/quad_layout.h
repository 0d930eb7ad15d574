// A shape's edge and vertex quads laid out lane by lane from the contour sets
// it holds: the reference the prediction's own four-at-a-time layout is held
// to, and the quads of shapes a test makes without a prediction.
#pragma once

#include "sim/records.h"

// Fills shape.edgeQuads from predContours and edgeNormals, and
// shape.vertexQuads and shape.bounds from curContours, predContours and
// cornerVectors.
void layOutQuads(Shape& shape);

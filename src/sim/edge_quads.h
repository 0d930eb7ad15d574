// The predicted edges and the vertices of a shape in groups of four
// (EdgeQuad, VertexQuad), contour by contour, as the contact kernel reads
// them. The prediction writes them itself as it goes (predictShapeOutline);
// this lays them out from whatever contour sets a shape holds, for shapes
// made without a prediction.
#pragma once

#include "sim/records.h"

// Fills shape.edgeQuads from predContours and edgeNormals, and
// shape.vertexQuads from curContours, predContours and cornerVectors.
// Allocates only when the number of groups changes (the first time).
void layOutQuads(Shape& shape);

// A shape's prediction in one pass over its points, four at a time: the
// predicted outline, its corner vectors and edge normals, the quads the
// contact kernel reads, and the bounds of the current and predicted points
// (for the model's box).
#pragma once

#include "sim/records.h"

// Rotation by the predicted turn of the sub-step, about (originX, originY),
// then moved to the predicted position.
struct PredictedMotion {
    float cosTurn, sinTurn;
    float originX, originY;  // current position
    float targetX, targetY;  // predicted position

    Point apply(float px, float py) const {
        float u = px - originX;
        float v = py - originY;
        return {cosTurn * u - sinTurn * v + targetX, sinTurn * u + cosTurn * v + targetY};
    }
};

// Fills predContours, cornerVectors and edgeNormals from curContours, lays
// out edgeQuads and vertexQuads four points at a time (each lane holds the
// point, edge and normal of its index; lanes past a contour's end are zero
// and out of laneMask), and, when `model` is
// given, widens its box by every current and predicted point exactly as
// widening point by point in outline order would (current, then predicted,
// vertex by vertex). Allocates only when the number of quads changes.
void predictShapeOutline(Shape& shape, const PredictedMotion& motion, Model* model);

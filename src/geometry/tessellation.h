// Tessellation of a shape's outline into triangles, with its area,
// centroid, polar moment and normal orientation. Uses the GLU tessellator,
// which needs no GL context.
#pragma once

#include "sim/records.h"

// The point a triangle corner names in the contour set it was made from
// (a shape's contours) or that has its points now (its curContours).
inline const Point& resolveVertex(const ContourSet& contours, const VertexRef& ref) {
    return contours[ref.contour][ref.point];
}

// Whether every corner of the triangle names a point of `contours`: an
// outline that no longer has them (a damaged tessellation) must make the
// triangle miss rather than be read past its end.
inline bool cornersResolve(const ContourSet& contours, const Triangle& triangle) {
    for (const VertexRef& corner : triangle.corners)
        if (corner.contour >= contours.size() || corner.point >= contours[corner.contour].size()) return false;
    return true;
}

// What became of the outline's polygons: all handed to the tessellator, or
// one (the whole outline, or one hole of a disc) held back because it
// crosses itself and so could give no triangles, or because filling it
// would take the tessellator far too long.
enum class TessellationOutcome { tessellated, outlineCrossesItself, outlineTooIntricate };

// Fills triangles, area, centroid, inertia (unit density) and
// reverseNormals. Throws std::runtime_error("Creation of tesselation object
// failed.") when no tessellator can be had.
TessellationOutcome prepareShape(Shape& shape);

// Picking: whether a world point lies on a body, tested against the
// triangles of each shape's current outline. A circle around the swept
// centre rejects far points before any triangle is looked at.
#include "mouse/picking.h"

#include "geometry/tessellation.h"

namespace {

// Edge (p, q) with opposite corner r: the point must lie on r's side. The
// comparison with zero is strict, so a point on the edge's line counts as
// inside only for counter-clockwise triangles (where t is positive).
bool onInnerSide(Point p, Point q, Point r, Point point) {
    float s = (p.x - q.x) * (p.y - point.y) - (p.y - q.y) * (p.x - point.x);
    float t = (p.x - q.x) * (p.y - r.y) - (p.y - q.y) * (p.x - r.x);
    return (s < 0.0f) == (t < 0.0f);
}

}  // namespace

bool containsPoint(const Shape& shape, Point point) {
    // The bounding radius about the swept centre, not the current centre:
    // near the leading edge of a fast shape a point can be rejected.
    float dx = point.x - shape.sweptX;
    float dy = point.y - shape.sweptY;
    if (dx * dx + dy * dy > shape.radius * shape.radius) return false;
    const ContourSet& outline = shape.curContours;
    for (const Triangle& triangle : shape.triangles) {
        if (!cornersResolve(outline, triangle)) continue;
        Point a = resolveVertex(outline, triangle.corners[0]);
        Point b = resolveVertex(outline, triangle.corners[1]);
        Point c = resolveVertex(outline, triangle.corners[2]);
        if (onInnerSide(a, b, c, point) && onInnerSide(b, c, a, point) && onInnerSide(c, a, b, point)) return true;
    }
    return false;
}

bool containsPoint(const Body& body, Point point) {
    for (const Shape& shape : body.shapes)
        if (containsPoint(shape, point)) return true;
    return false;
}

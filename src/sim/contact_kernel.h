// The vertex-edge contact test between two shapes: every vertex of one
// shape whose path over the sub-step, seen from the other shape's body,
// crosses one of that shape's edges is a contact. Written four lanes at a
// time over the quads the prediction lays out (EdgeQuad, VertexQuad).
#pragma once

#include <cstdint>

#include "sim/records.h"

// The accumulator of one pair test.
struct ContactSum {
    int32_t count = 0;
    float sumX = 0.0f, sumY = 0.0f;  // contact points weighted by w
    float sumKinetic = 0.0f;
    float sumStatic = 0.0f;
    float sumWeight = 0.0f;                // sum of w = bounce·bounce
    float normalX = 0.0f, normalY = 0.0f;  // out of the first body, weighted by w
};

// The broad test of testShapes: false when the swept circles are apart or
// the masks share no bit. The same for (s, t) and (t, s): the difference of
// the centres only changes sign and the sum of the radii is commutative.
inline bool sweptCirclesMeet(const Shape& s, const Shape& t) {
    float dx = s.sweptX - t.sweptX;
    float dy = s.sweptY - t.sweptY;
    float reach = s.sweptRadius + t.sweptRadius;
    if (reach * reach < dx * dx + dy * dy) return false;
    return (s.collideMask & t.collideMask) != 0;
}

// Vertices of T against the edges of S (S owned by bodyS), over the
// predicted outlines: the contacts in the order vertex by vertex, edge by
// edge. Reads only its arguments, so several threads may test at once.
ContactSum testShapes(const Shape& s, const Body& bodyS, const Shape& t);

// Both ways of one shape pair whose swept circles are known to meet
// (sweptCirclesMeet): partST = testShapes(s, bodyS, t) and partTS =
// testShapes(t, bodyT, s), bit for bit, without testing the circles again.
void testShapePair(const Shape& s, const Body& bodyS, const Shape& t, const Body& bodyT, ContactSum& partST,
                   ContactSum& partTS);

// What the contact kernel and the prediction share about the groups of four
// (EdgeQuad, VertexQuad) the prediction writes as it goes
// (predictShapeOutline): which edge lanes the box rejection may judge, and
// the bounds of vertex lanes.
#pragma once

#include <cmath>

#include "sim/lanes.h"
#include "sim/records.h"

// Lanes holding finite values below 1e18 in size (never NaN, which compares
// false).
inline Mask4 boundedLanes(Float4 values) { return absolute(values) < splat(1e18f); }

// The real lanes of `quad` whose start (e0x, e0y) and normal are finite and
// below 1e18 in size: for those the box rejection's arithmetic can neither
// overflow nor make NaN.
inline uint32_t boundedEdgeLanes(const EdgeQuad& quad) {
    Mask4 bounded = boundedLanes(loadLanes(quad.e0x)) & boundedLanes(loadLanes(quad.e0y));
    bounded = bounded & (boundedLanes(loadLanes(quad.nx)) & boundedLanes(loadLanes(quad.ny)));
    return bitsOf(bounded) & quad.laneMask;
}

// The bounds of the real lanes (laneMask) of four current and predicted
// points.
inline PointBounds boundsOfFour(Float4 curX, Float4 curY, Float4 predX, Float4 predY, uint32_t laneMask) {
    if (laneMask != 0xF) {  // padding lanes repeat lane 0, which is always a point
        Mask4 real = maskOfBits(laneMask);
        curX = select(real, curX, broadcastLane<0>(curX));
        curY = select(real, curY, broadcastLane<0>(curY));
        predX = select(real, predX, broadcastLane<0>(predX));
        predY = select(real, predY, broadcastLane<0>(predY));
    }
    Mask4 anyNaN = unordered(curX, curY) | unordered(predX, predY);
    // Rows of (current x, y, predicted x, y), one per point.
    Float4 row0 = curX, row1 = curY, row2 = predX, row3 = predY;
    transpose(row0, row1, row2, row3);
    Float4 lower = minimum(minimum(row0, row1), minimum(row2, row3));
    Float4 upper = maximum(maximum(row0, row1), maximum(row2, row3));
    PointBounds bounds;
    storeLanes(bounds.lower, lower);
    storeLanes(bounds.upper, upper);
    bounds.exact = bitsOf(andNot(anyNaN, boundedLanes(lower) & boundedLanes(upper))) == 0xF;
    return bounds;
}

// Bounds that hold no point yet: the first widenBounds sets them.
inline PointBounds emptyBounds() {
    PointBounds bounds;
    storeLanes(bounds.lower, splat(INFINITY));
    storeLanes(bounds.upper, splat(-INFINITY));
    bounds.exact = 1;
    return bounds;
}

inline void widenBounds(PointBounds& total, const PointBounds& part) {
    storeLanes(total.lower, minimum(loadLanes(part.lower), loadLanes(total.lower)));
    storeLanes(total.upper, maximum(loadLanes(part.upper), loadLanes(total.upper)));
    total.exact &= part.exact;
}

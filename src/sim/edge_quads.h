// What the contact kernel and the prediction share about the groups of four
// (EdgeQuad, VertexQuad) the prediction writes as it goes
// (predictShapeOutline): which edge lanes the box rejection may judge, and
// the bounds of vertex lanes.
#pragma once

#include <cmath>

#include "sim/lanes.h"
#include "sim/records.h"

// The real lanes of `quad` whose start (e0x, e0y) and normal are finite and
// below 1e18 in size: for those the box rejection's arithmetic can neither
// overflow nor make NaN.
inline uint32_t boundedEdgeLanes(const EdgeQuad& quad) {
    __m128 limit = _mm_set1_ps(1e18f);
    // A NaN compares false, so it is never bounded.
    __m128 bounded = _mm_and_ps(_mm_cmplt_ps(absolute(_mm_load_ps(quad.e0x)), limit),
                                _mm_cmplt_ps(absolute(_mm_load_ps(quad.e0y)), limit));
    bounded = _mm_and_ps(bounded, _mm_and_ps(_mm_cmplt_ps(absolute(_mm_load_ps(quad.nx)), limit),
                                             _mm_cmplt_ps(absolute(_mm_load_ps(quad.ny)), limit)));
    return static_cast<uint32_t>(_mm_movemask_ps(bounded)) & quad.laneMask;
}

// The bounds of the real lanes (laneMask) of four current and predicted
// points.
inline PointBounds boundsOfFour(__m128 curX, __m128 curY, __m128 predX, __m128 predY, uint32_t laneMask) {
    if (laneMask != 0xF) {  // padding lanes repeat lane 0, which is always a point
        __m128 real = lanesOf(laneMask);
        curX = _mm_or_ps(_mm_and_ps(real, curX), _mm_andnot_ps(real, laneOf<0>(curX)));
        curY = _mm_or_ps(_mm_and_ps(real, curY), _mm_andnot_ps(real, laneOf<0>(curY)));
        predX = _mm_or_ps(_mm_and_ps(real, predX), _mm_andnot_ps(real, laneOf<0>(predX)));
        predY = _mm_or_ps(_mm_and_ps(real, predY), _mm_andnot_ps(real, laneOf<0>(predY)));
    }
    __m128 unordered = _mm_or_ps(_mm_cmpunord_ps(curX, curY), _mm_cmpunord_ps(predX, predY));
    // Rows of (current x, y, predicted x, y), one per point.
    __m128 row0 = curX, row1 = curY, row2 = predX, row3 = predY;
    _MM_TRANSPOSE4_PS(row0, row1, row2, row3);
    __m128 lower = _mm_min_ps(_mm_min_ps(row0, row1), _mm_min_ps(row2, row3));
    __m128 upper = _mm_max_ps(_mm_max_ps(row0, row1), _mm_max_ps(row2, row3));
    PointBounds bounds;
    _mm_store_ps(bounds.lower, lower);
    _mm_store_ps(bounds.upper, upper);
    __m128 limit = _mm_set1_ps(1e18f);
    __m128 bounded = _mm_and_ps(_mm_cmplt_ps(absolute(lower), limit), _mm_cmplt_ps(absolute(upper), limit));
    bounds.exact = _mm_movemask_ps(_mm_andnot_ps(unordered, bounded)) == 0xF;
    return bounds;
}

// Bounds that hold no point yet: the first widenBounds sets them.
inline PointBounds emptyBounds() {
    PointBounds bounds;
    _mm_store_ps(bounds.lower, _mm_set1_ps(INFINITY));
    _mm_store_ps(bounds.upper, _mm_set1_ps(-INFINITY));
    bounds.exact = 1;
    return bounds;
}

inline void widenBounds(PointBounds& total, const PointBounds& part) {
    _mm_store_ps(total.lower, _mm_min_ps(_mm_load_ps(part.lower), _mm_load_ps(total.lower)));
    _mm_store_ps(total.upper, _mm_max_ps(_mm_load_ps(part.upper), _mm_load_ps(total.upper)));
    total.exact &= part.exact;
}

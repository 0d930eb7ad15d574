// Four-lane SSE helpers for the step's inner loops. Packed SSE arithmetic
// rounds every lane exactly as the scalar SSE code does (IEEE single
// precision, with the same flush-to-zero), so a loop written with these
// gives bit for bit the results of its scalar form.
#pragma once

#include <emmintrin.h>

#include "sim/records.h"

static_assert(sizeof(Point) == 2 * sizeof(float), "points are read as pairs of floats");

// Points p[0..3] as x and y lanes.
inline void loadPoints(const Point* points, __m128& x, __m128& y) {
    __m128 first = _mm_loadu_ps(&points[0].x);   // x0 y0 x1 y1
    __m128 second = _mm_loadu_ps(&points[2].x);  // x2 y2 x3 y3
    x = _mm_shuffle_ps(first, second, _MM_SHUFFLE(2, 0, 2, 0));
    y = _mm_shuffle_ps(first, second, _MM_SHUFFLE(3, 1, 3, 1));
}

// x and y lanes back to points p[0..3].
inline void storePoints(Point* points, __m128 x, __m128 y) {
    _mm_storeu_ps(&points[0].x, _mm_unpacklo_ps(x, y));
    _mm_storeu_ps(&points[2].x, _mm_unpackhi_ps(x, y));
}

// Lanes moved down by one, `next` entering at the top: (l1, l2, l3, next).
inline __m128 shiftDown(__m128 lanes, float next) {
    __m128 rotated = _mm_move_ss(lanes, _mm_set_ss(next));  // next l1 l2 l3
    return _mm_shuffle_ps(rotated, rotated, _MM_SHUFFLE(0, 3, 2, 1));
}

// Lanes moved up by one, `previous` entering at the bottom: (previous, l0, l1, l2).
inline __m128 shiftUp(__m128 lanes, float previous) {
    __m128 rotated = _mm_shuffle_ps(lanes, lanes, _MM_SHUFFLE(2, 1, 0, 3));  // l3 l0 l1 l2
    return _mm_move_ss(rotated, _mm_set_ss(previous));
}

// -x by flipping the sign bit, as the scalar negation does (0 - x would
// turn +0 into +0 instead of -0).
inline __m128 negate(__m128 lanes) { return _mm_xor_ps(lanes, _mm_set1_ps(-0.0f)); }

// |x| by clearing the sign bit.
inline __m128 absolute(__m128 lanes) { return _mm_andnot_ps(_mm_set1_ps(-0.0f), lanes); }

// Every lane of `lanes` set to its lane number `lane`.
template <int lane>
__m128 laneOf(__m128 lanes) {
    return _mm_shuffle_ps(lanes, lanes, _MM_SHUFFLE(lane, lane, lane, lane));
}

// All bits set in lane k when bit k of `mask` is set.
inline __m128 lanesOf(uint32_t mask) {
    __m128i bits = _mm_setr_epi32(1, 2, 4, 8);
    return _mm_castsi128_ps(_mm_cmpeq_epi32(_mm_and_si128(_mm_set1_epi32(static_cast<int>(mask)), bits), bits));
}

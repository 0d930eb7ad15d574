// The four-lane layer in SSE registers (x86-64). Packed SSE arithmetic rounds
// every lane as the scalar SSE code does (IEEE single precision, with the same
// flush-to-zero). Included through lanes.h, which lists the operations.
#pragma once

#include <emmintrin.h>

#include <cstdint>

#include "sim/records.h"

struct Float4 {
    __m128 v;
};

// All bits set in a lane that holds, none in one that does not.
struct Mask4 {
    __m128 v;
};

inline Float4 splat(float x) { return {_mm_set1_ps(x)}; }
inline Float4 lanes(float a, float b, float c, float d) { return {_mm_setr_ps(a, b, c, d)}; }
inline Float4 loadLanes(const float* aligned) { return {_mm_load_ps(aligned)}; }
inline void storeLanes(float* aligned, Float4 x) { _mm_store_ps(aligned, x.v); }

inline Float4 operator+(Float4 a, Float4 b) { return {_mm_add_ps(a.v, b.v)}; }
inline Float4 operator-(Float4 a, Float4 b) { return {_mm_sub_ps(a.v, b.v)}; }
inline Float4 operator*(Float4 a, Float4 b) { return {_mm_mul_ps(a.v, b.v)}; }
inline Float4 operator/(Float4 a, Float4 b) { return {_mm_div_ps(a.v, b.v)}; }
// The sign bit flipped, as the scalar negation does (0 - x would turn +0
// into +0 instead of -0).
inline Float4 operator-(Float4 a) { return {_mm_xor_ps(a.v, _mm_set1_ps(-0.0f))}; }
inline Float4 squareRoot(Float4 a) { return {_mm_sqrt_ps(a.v)}; }
inline Float4 absolute(Float4 a) { return {_mm_andnot_ps(_mm_set1_ps(-0.0f), a.v)}; }
inline Float4 minimum(Float4 a, Float4 b) { return {_mm_min_ps(a.v, b.v)}; }
inline Float4 maximum(Float4 a, Float4 b) { return {_mm_max_ps(a.v, b.v)}; }

// Every lane set to lane `lane` of x.
template <int lane>
Float4 broadcastLane(Float4 x) {
    return {_mm_shuffle_ps(x.v, x.v, _MM_SHUFFLE(lane, lane, lane, lane))};
}

// Every lane set to aligned[lane]: an integer shuffle of the aligned quad,
// which writes a new register (shufps would first need a copy of one).
template <int lane>
Float4 broadcastLoad(const float* aligned) {
    __m128i bits = _mm_load_si128(reinterpret_cast<const __m128i*>(aligned));
    return {_mm_castsi128_ps(_mm_shuffle_epi32(bits, _MM_SHUFFLE(lane, lane, lane, lane)))};
}

// Lanes moved down by one, `next` entering at the top: (x1, x2, x3, next).
inline Float4 shiftDown(Float4 x, float next) {
    __m128 rotated = _mm_move_ss(x.v, _mm_set_ss(next));  // next x1 x2 x3
    return {_mm_shuffle_ps(rotated, rotated, _MM_SHUFFLE(0, 3, 2, 1))};
}

// Lanes moved up by one, `previous` entering at the bottom: (previous, x0, x1, x2).
inline Float4 shiftUp(Float4 x, float previous) {
    __m128 rotated = _mm_shuffle_ps(x.v, x.v, _MM_SHUFFLE(2, 1, 0, 3));  // x3 x0 x1 x2
    return {_mm_move_ss(rotated, _mm_set_ss(previous))};
}

// Points p[0..3] as x and y lanes.
inline void loadPoints(const Point* points, Float4& x, Float4& y) {
    __m128 first = _mm_loadu_ps(&points[0].x);   // x0 y0 x1 y1
    __m128 second = _mm_loadu_ps(&points[2].x);  // x2 y2 x3 y3
    x.v = _mm_shuffle_ps(first, second, _MM_SHUFFLE(2, 0, 2, 0));
    y.v = _mm_shuffle_ps(first, second, _MM_SHUFFLE(3, 1, 3, 1));
}

// x and y lanes back to points p[0..3].
inline void storePoints(Point* points, Float4 x, Float4 y) {
    _mm_storeu_ps(&points[0].x, _mm_unpacklo_ps(x.v, y.v));
    _mm_storeu_ps(&points[2].x, _mm_unpackhi_ps(x.v, y.v));
}

// Rows become columns: lane k of a, b, c, d becomes lanes 0..3 of row k.
inline void transpose(Float4& a, Float4& b, Float4& c, Float4& d) { _MM_TRANSPOSE4_PS(a.v, b.v, c.v, d.v); }

inline Mask4 operator<(Float4 a, Float4 b) { return {_mm_cmplt_ps(a.v, b.v)}; }
inline Mask4 operator<=(Float4 a, Float4 b) { return {_mm_cmple_ps(a.v, b.v)}; }
inline Mask4 operator>(Float4 a, Float4 b) { return {_mm_cmpgt_ps(a.v, b.v)}; }
inline Mask4 operator>=(Float4 a, Float4 b) { return {_mm_cmpge_ps(a.v, b.v)}; }
inline Mask4 operator!=(Float4 a, Float4 b) { return {_mm_cmpneq_ps(a.v, b.v)}; }
inline Mask4 notGreater(Float4 a, Float4 b) { return {_mm_cmpngt_ps(a.v, b.v)}; }
inline Mask4 notLess(Float4 a, Float4 b) { return {_mm_cmpnlt_ps(a.v, b.v)}; }
inline Mask4 unordered(Float4 a, Float4 b) { return {_mm_cmpunord_ps(a.v, b.v)}; }

inline Mask4 operator&(Mask4 a, Mask4 b) { return {_mm_and_ps(a.v, b.v)}; }
inline Mask4 operator|(Mask4 a, Mask4 b) { return {_mm_or_ps(a.v, b.v)}; }
inline Mask4 operator^(Mask4 a, Mask4 b) { return {_mm_xor_ps(a.v, b.v)}; }
// b where a does not hold.
inline Mask4 andNot(Mask4 a, Mask4 b) { return {_mm_andnot_ps(a.v, b.v)}; }

// Bit k set when lane k holds.
inline uint32_t bitsOf(Mask4 m) { return static_cast<uint32_t>(_mm_movemask_ps(m.v)); }

// Lane k holds when bit k of `bits` is set.
inline Mask4 maskOfBits(uint32_t bits) {
    __m128i lanes = _mm_setr_epi32(1, 2, 4, 8);
    __m128i set = _mm_and_si128(_mm_set1_epi32(static_cast<int>(bits)), lanes);
    return {_mm_castsi128_ps(_mm_cmpeq_epi32(set, lanes))};
}

// x where `keep` holds, otherwise.
inline Float4 select(Mask4 keep, Float4 x, Float4 otherwise) {
    return {_mm_or_ps(_mm_and_ps(keep.v, x.v), _mm_andnot_ps(keep.v, otherwise.v))};
}

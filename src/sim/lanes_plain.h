// The four-lane layer in plain C++: each operation is a loop making the one
// float operation of its SSE counterpart in every lane, so it rounds the same
// way (IEEE single precision, with -ffp-contract=off, and the flush-to-zero
// the program sets). Built where there is no SSE (arm64) and, to test it, on
// x86-64 with VANTOR_PLAIN_LANES. Included through lanes.h, which lists the
// operations.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

#include "sim/records.h"

struct Float4 {
    float lane[4];
};

// All bits set in a lane that holds, none in one that does not, as SSE
// masks are: the operations on masks are bit operations, without branches.
struct Mask4 {
    uint32_t lane[4];
};

inline Float4 splat(float x) { return {{x, x, x, x}}; }
inline Float4 lanes(float a, float b, float c, float d) { return {{a, b, c, d}}; }
inline Float4 loadLanes(const float* aligned) { return {{aligned[0], aligned[1], aligned[2], aligned[3]}}; }
inline void storeLanes(float* aligned, Float4 x) {
    for (int k = 0; k < 4; ++k) aligned[k] = x.lane[k];
}

inline Float4 operator+(Float4 a, Float4 b) {
    for (int k = 0; k < 4; ++k) a.lane[k] = a.lane[k] + b.lane[k];
    return a;
}
inline Float4 operator-(Float4 a, Float4 b) {
    for (int k = 0; k < 4; ++k) a.lane[k] = a.lane[k] - b.lane[k];
    return a;
}
inline Float4 operator*(Float4 a, Float4 b) {
    for (int k = 0; k < 4; ++k) a.lane[k] = a.lane[k] * b.lane[k];
    return a;
}
inline Float4 operator/(Float4 a, Float4 b) {
    for (int k = 0; k < 4; ++k) a.lane[k] = a.lane[k] / b.lane[k];
    return a;
}
// The sign bit flipped, by the bits, so that NaN keeps its payload too.
inline Float4 operator-(Float4 a) {
    for (int k = 0; k < 4; ++k) a.lane[k] = std::bit_cast<float>(std::bit_cast<uint32_t>(a.lane[k]) ^ 0x80000000u);
    return a;
}
inline Float4 squareRoot(Float4 a) {
    for (int k = 0; k < 4; ++k) a.lane[k] = std::sqrt(a.lane[k]);
    return a;
}
inline Float4 absolute(Float4 a) {
    for (int k = 0; k < 4; ++k) a.lane[k] = std::bit_cast<float>(std::bit_cast<uint32_t>(a.lane[k]) & 0x7FFFFFFFu);
    return a;
}
inline Float4 minimum(Float4 a, Float4 b) {
    for (int k = 0; k < 4; ++k) a.lane[k] = a.lane[k] < b.lane[k] ? a.lane[k] : b.lane[k];
    return a;
}
inline Float4 maximum(Float4 a, Float4 b) {
    for (int k = 0; k < 4; ++k) a.lane[k] = a.lane[k] > b.lane[k] ? a.lane[k] : b.lane[k];
    return a;
}

// Every lane set to lane `lane` of x.
template <int lane>
Float4 broadcastLane(Float4 x) {
    return splat(x.lane[lane]);
}

// Every lane set to aligned[lane].
template <int lane>
Float4 broadcastLoad(const float* aligned) {
    return splat(aligned[lane]);
}

// Lanes moved down by one, `next` entering at the top: (x1, x2, x3, next).
inline Float4 shiftDown(Float4 x, float next) { return {{x.lane[1], x.lane[2], x.lane[3], next}}; }

// Lanes moved up by one, `previous` entering at the bottom: (previous, x0, x1, x2).
inline Float4 shiftUp(Float4 x, float previous) { return {{previous, x.lane[0], x.lane[1], x.lane[2]}}; }

// Points p[0..3] as x and y lanes.
inline void loadPoints(const Point* points, Float4& x, Float4& y) {
    for (int k = 0; k < 4; ++k) {
        x.lane[k] = points[k].x;
        y.lane[k] = points[k].y;
    }
}

// x and y lanes back to points p[0..3].
inline void storePoints(Point* points, Float4 x, Float4 y) {
    for (int k = 0; k < 4; ++k) points[k] = {x.lane[k], y.lane[k]};
}

// Rows become columns: lane k of a, b, c, d becomes lanes 0..3 of row k.
inline void transpose(Float4& a, Float4& b, Float4& c, Float4& d) {
    Float4 rows[4] = {a, b, c, d};
    a = {{rows[0].lane[0], rows[1].lane[0], rows[2].lane[0], rows[3].lane[0]}};
    b = {{rows[0].lane[1], rows[1].lane[1], rows[2].lane[1], rows[3].lane[1]}};
    c = {{rows[0].lane[2], rows[1].lane[2], rows[2].lane[2], rows[3].lane[2]}};
    d = {{rows[0].lane[3], rows[1].lane[3], rows[2].lane[3], rows[3].lane[3]}};
}

// All bits when `holds`, none otherwise.
inline uint32_t laneMask(bool holds) { return 0u - static_cast<uint32_t>(holds); }

inline Mask4 operator<(Float4 a, Float4 b) {
    Mask4 m;
    for (int k = 0; k < 4; ++k) m.lane[k] = laneMask(a.lane[k] < b.lane[k]);
    return m;
}
inline Mask4 operator<=(Float4 a, Float4 b) {
    Mask4 m;
    for (int k = 0; k < 4; ++k) m.lane[k] = laneMask(a.lane[k] <= b.lane[k]);
    return m;
}
inline Mask4 operator>(Float4 a, Float4 b) {
    Mask4 m;
    for (int k = 0; k < 4; ++k) m.lane[k] = laneMask(a.lane[k] > b.lane[k]);
    return m;
}
inline Mask4 operator>=(Float4 a, Float4 b) {
    Mask4 m;
    for (int k = 0; k < 4; ++k) m.lane[k] = laneMask(a.lane[k] >= b.lane[k]);
    return m;
}
inline Mask4 operator!=(Float4 a, Float4 b) {
    Mask4 m;
    for (int k = 0; k < 4; ++k) m.lane[k] = laneMask(a.lane[k] != b.lane[k]);
    return m;
}
inline Mask4 notGreater(Float4 a, Float4 b) {
    Mask4 m;
    for (int k = 0; k < 4; ++k) m.lane[k] = laneMask(!(a.lane[k] > b.lane[k]));
    return m;
}
inline Mask4 notLess(Float4 a, Float4 b) {
    Mask4 m;
    for (int k = 0; k < 4; ++k) m.lane[k] = laneMask(!(a.lane[k] < b.lane[k]));
    return m;
}
inline Mask4 unordered(Float4 a, Float4 b) {
    Mask4 m;
    for (int k = 0; k < 4; ++k) m.lane[k] = laneMask(a.lane[k] != a.lane[k] || b.lane[k] != b.lane[k]);
    return m;
}

inline Mask4 operator&(Mask4 a, Mask4 b) {
    for (int k = 0; k < 4; ++k) a.lane[k] &= b.lane[k];
    return a;
}
inline Mask4 operator|(Mask4 a, Mask4 b) {
    for (int k = 0; k < 4; ++k) a.lane[k] |= b.lane[k];
    return a;
}
inline Mask4 operator^(Mask4 a, Mask4 b) {
    for (int k = 0; k < 4; ++k) a.lane[k] ^= b.lane[k];
    return a;
}
// b where a does not hold.
inline Mask4 andNot(Mask4 a, Mask4 b) {
    for (int k = 0; k < 4; ++k) b.lane[k] &= ~a.lane[k];
    return b;
}

// Bit k set when lane k holds.
inline uint32_t bitsOf(Mask4 m) {
    uint32_t bits = 0;
    for (int k = 0; k < 4; ++k) bits |= (m.lane[k] & 1u) << k;
    return bits;
}

// Lane k holds when bit k of `bits` is set.
inline Mask4 maskOfBits(uint32_t bits) {
    Mask4 m;
    for (int k = 0; k < 4; ++k) m.lane[k] = laneMask(((bits >> k) & 1u) != 0);
    return m;
}

// x where `keep` holds, otherwise: bit by bit, as the SSE form does.
inline Float4 select(Mask4 keep, Float4 x, Float4 otherwise) {
    for (int k = 0; k < 4; ++k) {
        uint32_t bits = (std::bit_cast<uint32_t>(x.lane[k]) & keep.lane[k]) |
                        (std::bit_cast<uint32_t>(otherwise.lane[k]) & ~keep.lane[k]);
        x.lane[k] = std::bit_cast<float>(bits);
    }
    return x;
}

// The four-lane layer the step's inner loops are written in: Float4, four
// floats, and Mask4, four lane flags, with the few operations the kernels
// need. Every operation is the same IEEE single-precision operation in each
// lane, so a loop written with these gives bit for bit the results of its
// scalar form, whichever form of the layer is built:
//   lanes_sse.h    SSE registers, on x86-64;
//   lanes_plain.h  plain C++, one float operation per lane, everywhere else
//                  (arm64), and on x86-64 when VANTOR_PLAIN_LANES is defined,
//                  which the test script builds once to hold the two forms to
//                  the same golden hashes.
// Both forms have the same functions with the same meaning:
//   splat(x), lanes(a, b, c, d), loadLanes/storeLanes (16-byte aligned),
//   + - * / and unary - (a sign flip, so -(+0) is -0), squareRoot, absolute
//   (the sign bit cleared), minimum/maximum, broadcastLane<k>,
//   broadcastLoad<k> (lane k of an aligned quad in every lane), shiftDown,
//   shiftUp, loadPoints/storePoints, transpose;
//   comparisons giving a Mask4: <, <=, >, >= (false in a lane holding NaN),
//   notGreater, notLess and != (true there), unordered;
//   &, |, ^ and andNot on masks, bitsOf (bit k for lane k), maskOfBits,
//   select.
// minimum(a, b) is a < b ? a : b and maximum(a, b) is a > b ? a : b, as the
// SSE instructions define them, so NaN and signed zeros come out the same.
#pragma once

#include <cstdint>

#include "sim/records.h"

static_assert(sizeof(Point) == 2 * sizeof(float), "points are read as pairs of floats");

#if defined(__SSE2__) && !defined(VANTOR_PLAIN_LANES)
#include "sim/lanes_sse.h"
#else
#include "sim/lanes_plain.h"
#endif

// Lanes whose bit in `lanes` is clear become +0.
inline Float4 keepLanes(Float4 values, uint32_t lanes) { return select(maskOfBits(lanes), values, splat(0.0f)); }

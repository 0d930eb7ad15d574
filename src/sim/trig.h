// Sine, cosine and arctangent of floats for the step and the mass figures:
// computed by the double-precision functions and rounded to float. The C
// library's float functions (cosf, sinf) miss the correctly rounded value
// for about one angle in a hundred, and by different amounts in different
// library versions; the double result rounded to float is the correctly
// rounded value but for rare double roundings, so a record made on one
// machine replays the same on another.
#pragma once

#include <cmath>

inline float cosOf(float angle) { return static_cast<float>(std::cos(static_cast<double>(angle))); }
inline float sinOf(float angle) { return static_cast<float>(std::sin(static_cast<double>(angle))); }

// The full-circle arctangent of (x, y), as atan2(y, x).
inline float atan2Of(float y, float x) {
    return static_cast<float>(std::atan2(static_cast<double>(y), static_cast<double>(x)));
}

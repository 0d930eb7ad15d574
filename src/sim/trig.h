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

// cosOf and sinOf of a small angle without the library. Below 2^-13 in size
// the cosine, 1 - t²/2 + ..., lies above the midpoint between 1 and the
// float below it, so it rounds to 1; the sine, t - t³/6 + ..., lies within
// t·2^-28 of t, far inside half the float spacing around t (at least
// t·2^-25), so it rounds to t itself, its sign and zero included. The
// prediction turns most bodies at rest or barely turning by such angles.
inline void cosSinOf(float angle, float& cosine, float& sine) {
    if (std::fabs(angle) < 0x1p-13f) {
        cosine = 1.0f;
        sine = angle;
        return;
    }
    cosine = cosOf(angle);
    sine = sinOf(angle);
}

// The full-circle arctangent of (x, y), as atan2(y, x).
inline float atan2Of(float y, float x) {
    return static_cast<float>(std::atan2(static_cast<double>(y), static_cast<double>(x)));
}

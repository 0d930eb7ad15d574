// A body's local frame in world coordinates: local points turned by the
// body's angle, then moved to its position. The cosine and sine are taken
// once per frame object (in double, rounded to float), so every place that
// turns local points (the commit, the reader's placing, drawing) turns them
// the same way.
#pragma once

#include "sim/records.h"
#include "sim/trig.h"

struct BodyFrame {
    float cosAngle, sinAngle, x, y;

    explicit BodyFrame(const Body& body)
        : cosAngle(cosOf(body.angle)), sinAngle(sinOf(body.angle)), x(body.x), y(body.y) {}

    // The local vector (localX, localY) turned by the angle, not moved.
    Point turned(float localX, float localY) const {
        return {cosAngle * localX - sinAngle * localY, sinAngle * localX + cosAngle * localY};
    }
    Point toWorld(float localX, float localY) const {
        return {cosAngle * localX - sinAngle * localY + x, sinAngle * localX + cosAngle * localY + y};
    }
};

// The plane's cross product a × b = a.x·b.y - a.y·b.x.
inline float cross(float ax, float ay, float bx, float by) { return ax * by - ay * bx; }

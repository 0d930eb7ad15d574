// A body's predicted motion over the sub-step: the rotation by its predicted
// turn about its current position, then the move to its predicted position.
// The prediction carries every point of a body with it, and the contact test
// carries the other body's vertices with it; both go through here, one point
// at a time or four in lanes, with the same operations in the same order.
#pragma once

#include "sim/lanes.h"
#include "sim/records.h"

struct PredictedMotion {
    float cosTurn, sinTurn;
    float originX, originY;  // current position
    float targetX, targetY;  // predicted position

    static PredictedMotion of(const Body& b) { return {b.cosTurn, b.sinTurn, b.x, b.y, b.px, b.py}; }

    Point apply(float px, float py) const {
        float u = px - originX;
        float v = py - originY;
        return {cosTurn * u - sinTurn * v + targetX, sinTurn * u + cosTurn * v + targetY};
    }
};

// PredictedMotion with each value in all four lanes.
struct MotionLanes {
    Float4 cosTurn, sinTurn, originX, originY, targetX, targetY;

    explicit MotionLanes(const PredictedMotion& m)
        : cosTurn(splat(m.cosTurn)), sinTurn(splat(m.sinTurn)), originX(splat(m.originX)), originY(splat(m.originY)),
          targetX(splat(m.targetX)), targetY(splat(m.targetY)) {}

    // PredictedMotion::apply in every lane.
    void apply(Float4 x, Float4 y, Float4& outX, Float4& outY) const {
        Float4 u = x - originX, v = y - originY;
        outX = cosTurn * u - sinTurn * v + targetX;
        outY = sinTurn * u + cosTurn * v + targetY;
    }
};

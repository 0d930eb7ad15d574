// Contact detection between polygon bodies and the impulse response.
#pragma once

#include <cstdint>

#include "sim/pair_sweep.h"
#include "sim/records.h"

// The accumulator of one pair test.
struct ContactSum {
    int32_t count = 0;
    float sumX = 0.0f, sumY = 0.0f;  // contact points weighted by w
    float sumKinetic = 0.0f;
    float sumStatic = 0.0f;
    float sumWeight = 0.0f;           // sum of w = bounce·bounce
    float normalX = 0.0f, normalY = 0.0f;  // out of the first body, weighted by w
};

// Both return whether a contact response was made; only a response moves
// a body's prediction (and so its model's box and its swept circles).
bool collideModels(Model& a, Model& b);
bool collideBodies(Body& a, Body& b);

// A box around the swept circles of b's shapes with the union of their
// masks: when the boxes (or masks) of two bodies do not meet, no shape pair
// of theirs passes testShapes's broad test, so collideBodies would do
// nothing. Used by the step's broad phase.
SweepBox contactBounds(const Body& b);

// Vertices of T against the edges of S (S owned by bodyS).
ContactSum testShapes(const Shape& s, const Body& bodyS, const Shape& t);

void respond(const ContactSum& sum, Body& a, Body& b);

// Counts pair tests (collideBodies calls) for the benchmarks.
extern uint64_t pairTestCount;

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
    float sumWeight = 0.0f;                // sum of w = bounce·bounce
    float normalX = 0.0f, normalY = 0.0f;  // out of the first body, weighted by w
};

// Both return whether a contact response was made; only a response moves
// a body's prediction (and so its model's box and its swept circles).
// collideModels counts its body pairs in pairTestCount when the boxes meet.
bool collideModels(Model& a, Model& b);
bool collideBodies(Body& a, Body& b);

// What collideModels(a, b) would do, found without changing anything: return
// at once (boxes apart), test and find no contact, or respond. Several
// threads may preview at once.
enum class ModelPairPreview : uint8_t { apart, nothing, contact };
ModelPairPreview previewModels(const Model& a, const Model& b);

// A box around the swept circles of b's shapes with the union of their
// masks: when the boxes (or masks) of two bodies do not meet, no shape pair
// of theirs passes testShapes's broad test, so collideBodies would do
// nothing. Used by the step's broad phase.
SweepBox contactBounds(const Body& b);

// Vertices of T against the edges of S (S owned by bodyS).
ContactSum testShapes(const Shape& s, const Body& bodyS, const Shape& t);

void respond(const ContactSum& sum, Body& a, Body& b);

// Counts the body pairs a pass hands to the contact test (every pair inside
// a model, and every pair of two models whose boxes meet), for the
// benchmarks and the golden check.
extern uint64_t pairTestCount;

// The contact solver's pair loops and the rejection ahead of the vertex
// test: model boxes (per model pair), swept circles and collision masks (per
// shape pair), and the bounds the step's broad phase sorts bodies by.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "sim/pair_sweep.h"
#include "sim/records.h"
#include "sim/step_context.h"

// Both return whether a contact response was made; only a response moves
// a body's prediction (and so its model's box and its swept circles).
// collideModels counts its body pairs in step.pairTestCount when the boxes
// meet. The step predicts every body before it collides any (the boxes
// of the prediction, Body::contactBox, are read).
bool collideModels(Model& a, Model& b, StepContext& step);
bool collideBodies(Body& a, Body& b, StepContext& step);

// What collideModels(a, b) would do, found without changing anything: return
// at once (boxes apart), test and find no contact, or respond. Several
// threads may preview at once.
enum class ModelPairPreview : uint8_t { apart, nothing, contact };
ModelPairPreview previewModels(const Model& a, const Model& b);

// A box around the swept circles of b's shapes with the union of their
// masks: when the boxes (or masks) of two bodies do not meet, no shape pair
// of theirs passes testShapes's broad test, so collideBodies would do
// nothing. Used by the step's broad phase; every prediction keeps it in
// Body::contactBox.
SweepBox contactBounds(const Body& b);

// contactBounds before its first shape: meets nothing.
inline SweepBox emptyContactBox() { return {INFINITY, INFINITY, -INFINITY, -INFINITY, 0, false}; }

// contactBounds's step for one shape, inline for the prediction.
inline void widenContactBox(SweepBox& box, const Shape& shape) {
    // Why the box is safe: when testShapes's float test (reach² < dx² + dy²
    // is false) lets two shapes through, |dx| is at most the sum of the
    // radii times 1 + 1e-6, however the products and sums round, as long as
    // nothing overflows. Half-widths of 1.0001 times the radius therefore
    // leave the real box ends in the right order with room to spare, and
    // rounding, being monotonic, keeps that order for the float ends. The
    // 1e-30 keeps a zero radius from making an empty box. Beyond 1e18 the
    // squares may overflow, and such a body meets everything.
    constexpr float huge = 1e18f;
    float radius = std::fabs(shape.sweptRadius);
    float x = shape.sweptX, y = shape.sweptY;
    if (!(radius < huge && std::fabs(x) < huge && std::fabs(y) < huge)) box.wild = true;  // NaN too
    float half = radius * 1.0001f + 1e-30f;
    box.minX = std::min(box.minX, x - half);
    box.minY = std::min(box.minY, y - half);
    box.maxX = std::max(box.maxX, x + half);
    box.maxY = std::max(box.maxY, y + half);
    box.mask |= shape.collideMask;
}

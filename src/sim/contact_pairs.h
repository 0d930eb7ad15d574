// The contact solver's pair loops and the rejection ahead of the vertex
// test: model boxes (per model pair), swept circles and collision masks (per
// shape pair), and the bounds the step's broad phase sorts bodies by.
#pragma once

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

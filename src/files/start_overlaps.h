// Bodies that overlap where they start and share a collision-mask bit are
// pushed apart on every solver pass: the commonest cause of a step that
// needs hundreds of passes. The reader names each such pair.
#pragma once

#include <istream>

#include "sim/records.h"

// Notes every pair of bodies, one of them in `added` (already in `world`),
// whose shapes overlap where they start and share a mask bit. Pairs of two
// bolted bodies are left alone: nothing pushes them.
void noteStartOverlaps(std::istream& input, const World& world, const Model& added);

// Whether two shapes' current outlines overlap by more than a touch.
bool shapesOverlapAtStart(const Shape& a, const Shape& b);

// One frame of the simulation: a predictor-corrector loop per world.
#pragma once

#include "sim/records.h"

// Steps every world of `worlds` once, in load order.
void stepAllWorlds();

// One frame of world w: time-scale keys, outer cycles of solver passes,
// commit. Writes the pass count to console 0 when a step needs over 200.
void stepWorld(World& w);

// The per-model work of a solver pass: joints, then contacts inside it.
void solveModel(Model& m);

// The visiting order of one pass: 0..n-1 shuffled with the program's
// generator (j = rand() mod i, so no entry stays in place). Filled into
// `order`, whose storage is reused between passes.
void drawVisitingOrder(std::vector<uint32_t>& order, size_t modelCount);

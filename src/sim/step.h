// One frame of the simulation: a predictor-corrector loop per world.
#pragma once

#include <cstdint>
#include <string>

#include "sim/records.h"
#include "sim/step_context.h"
#include "sim/step_keys.h"

// Steps every world of `worlds` once, in load order. A world step that
// needed more than 200 passes appends its pass count and a line break to
// `hardSteps` when one is given (the program gives the overlay's console 0).
void stepAllWorlds(const StepKeys& keys = {}, std::string* hardSteps = nullptr);

// One frame of world w: time-scale keys, outer cycles of solver passes,
// commit. The step's working values are the process's stepContext, which
// it passes down to every operation it calls.
void stepWorld(World& w, const StepKeys& keys = {}, std::string* hardSteps = nullptr);

// The per-model work of a solver pass: joints, then contacts inside it.
void solveModel(Model& m, StepContext& step);

// The visiting order of one pass: 0..n-1 shuffled with the program's
// generator (j = rand() mod i, so no entry stays in place). Filled into
// `order`, whose storage is reused between passes.
void drawVisitingOrder(std::vector<uint32_t>& order, size_t modelCount);

// The simulation's process-wide variables.
#pragma once

#include <memory>
#include <vector>

#include "sim/records.h"
#include "sim/step_context.h"

extern std::vector<std::unique_ptr<World>> worlds;  // in load order; removed only all at once (--watch)
extern float timeScale;                             // simulated time per frame
// stepContext (step_context.h): currentWorld and the step's working values.

// Back to the start-of-run values (tests, and a fresh headless run).
void resetSimulationGlobals();

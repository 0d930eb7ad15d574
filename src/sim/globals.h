// The simulation's process-wide variables.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "sim/records.h"

extern std::vector<std::unique_ptr<World>> worlds;  // in load order; removed only all at once (--watch)
extern World* currentWorld;                         // the world being read or stepped
extern float timeScale;                             // simulated time per frame
extern float stepTime;                              // dt of the current sub-step
extern int32_t passCount;                           // solver pass within the current cycle (1..255)
extern int32_t settled;                             // 1 until a correction is made in the pass
extern int32_t bodySerial;                          // next serial handed out in the cycle

// Back to the start-of-run values (tests, and a fresh headless run).
void resetSimulationGlobals();

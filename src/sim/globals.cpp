#include "sim/globals.h"

std::vector<std::unique_ptr<World>> worlds;
float timeScale = 1.0f;
StepContext stepContext;

void resetSimulationGlobals() {
    stepContext = StepContext{};
    worlds.clear();
    timeScale = 1.0f;
}

#include "sim/globals.h"

std::vector<std::unique_ptr<World>> worlds;
World* currentWorld = nullptr;
float timeScale = 1.0f;
float stepTime = 1.0f;
int32_t passCount = 0;
int32_t settled = 0;
int32_t bodySerial = 0;

void resetSimulationGlobals() {
    currentWorld = nullptr;
    worlds.clear();
    timeScale = 1.0f;
    stepTime = 1.0f;
    passCount = 0;
    settled = 0;
    bodySerial = 0;
}

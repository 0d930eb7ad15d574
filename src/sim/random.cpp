#include "sim/random.h"

namespace {
uint32_t generatorState = 1;
}

int nextRandom() {
    generatorState = generatorState * 214013u + 2531011u;
    return static_cast<int>((generatorState >> 16) & 0x7FFFu);
}

void resetRandom(uint32_t state) { generatorState = state; }

uint32_t randomState() { return generatorState; }

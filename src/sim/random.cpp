#include "sim/random.h"

namespace {
uint32_t randomState = 1;
}

int nextRandom() {
    randomState = randomState * 214013u + 2531011u;
    return static_cast<int>((randomState >> 16) & 0x7FFFu);
}

void resetRandom(uint32_t state) { randomState = state; }

// The program's one random generator. It reproduces the classic C run-time
// rand() (seed 1, never reseeded) so visiting orders and default colours are
// the same on every run; the C library's own rand() differs on Linux.
#pragma once

#include <cstdint>

constexpr int randomMax = 0x7FFF;

// x = x·214013 + 2531011 (mod 2^32); returns (x >> 16) AND 0x7FFF.
int nextRandom();

// Puts the generator in a given state: 1 is the start of a run; a saved
// state file or a frame of the history gives another.
void resetRandom(uint32_t state = 1);

// The generator's state x, for saving.
uint32_t randomState();

// One frame of the history as the change from the frame before: the words
// that differ, XORed, with the runs of equal words between them counted
// rather than kept. Bodies at rest, and the contact memory a frame did not
// touch, cost next to nothing. XOR undoes itself, so the same packed change
// takes a frame back to the one before.
#pragma once

#include <cstdint>
#include <vector>

// The change from `before` to `after` (the same length), packed into
// `packed` as (equal words, differing words, the XORs of those) again and
// again.
void packChange(const std::vector<uint32_t>& before, const std::vector<uint32_t>& after, std::vector<uint32_t>& packed);

// Applies a packed change to `words` in place: `after` becomes `before`,
// and `before` becomes `after`.
void applyChange(std::vector<uint32_t>& words, const std::vector<uint32_t>& change);

// Broad phase for the solver's pair loops. The loops themselves stay as the
// step defines them (every pair, in a fixed order); the sweep only tells
// them which pairs can be skipped because testing them would change
// nothing. It keeps a table of candidate pairs that is always a superset of
// the pairs whose boxes overlap at the moment the loop reaches them: boxes
// that change during the loop are re-checked against every other box.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// An axis-aligned box and a collision mask. Two boxes are candidates when
// neither lies wholly beyond the other on either axis (touching counts) and
// their masks share a bit. `wild` boxes (NaN, or too large for the box test
// to stand for the exact one) are candidates with every box.
struct SweepBox {
    float minX = 0.0f, minY = 0.0f, maxX = 0.0f, maxY = 0.0f;
    uint32_t mask = ~0u;
    bool wild = false;

    // A box with these bounds; wild when any bound is NaN.
    static SweepBox around(float minX, float minY, float maxX, float maxY, uint32_t mask = ~0u);
};

// Whether two axis-aligned boxes (anything with minX, minY, maxX, maxY:
// models, sweep boxes) are apart: one lies wholly beyond the other on an
// axis. Boxes that only touch are not apart, and a NaN bound never makes
// two boxes apart. The contact solver's model-box test and the sweep's.
template <class BoxA, class BoxB>
bool boxesApart(const BoxA& a, const BoxB& b) {
    return a.maxX < b.minX || a.maxY < b.minY || a.minY > b.maxY || a.minX > b.maxX;
}

// Inline: the sweep asks it for every pair it passes.
inline bool boxesMayMeet(const SweepBox& a, const SweepBox& b) {
    if ((a.mask & b.mask) == 0) return false;
    if (a.wild || b.wild) return true;
    return !boxesApart(a, b);
}

// A box grown on every side by an eighth of its larger extent, so that the
// small moves of a body between passes stay inside it and need no new
// look at the other boxes.
SweepBox fattened(const SweepBox& box);
// Whether `inner` lies within `outer` with the same mask (NaN never does).
bool boxContains(const SweepBox& outer, const SweepBox& inner);

struct PairSweep {
    size_t count = 0;
    size_t words = 0;              // 64-bit words per row of `rows`
    std::vector<SweepBox> boxes;   // by item, fattened
    std::vector<uint32_t> slots;   // item -> slot: the loop's row and column
    std::vector<uint32_t> sorted;  // items by minX; kept between sweeps, nearly sorted
    std::vector<uint64_t> rows;    // count × words: bit (i, j), i < j, for slots i and j
    bool sortedOnce = false;

    // Room for `capacity` items; no allocation afterwards for that many.
    void reserve(size_t capacity);
    // Starts a sweep over `itemCount` items; place() then gives every item
    // its slot and box, and sweep() fills the table.
    void begin(size_t itemCount);
    void place(size_t item, size_t slot, const SweepBox& box);
    void sweep();
    // The item's box may have changed: when it has left its fattened box,
    // record it and mark every pair it now meets.
    void update(size_t item, const SweepBox& box);
    // The first candidate column at or after `from` in row `slot`, or count.
    size_t nextCandidate(size_t slot, size_t from) const;
    size_t candidatePairs() const;
    void markPair(size_t itemA, size_t itemB);
};

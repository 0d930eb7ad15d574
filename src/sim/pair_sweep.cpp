#include "sim/pair_sweep.h"

#include <algorithm>
#include <bit>

SweepBox SweepBox::around(float minX, float minY, float maxX, float maxY, uint32_t mask) {
    SweepBox box{minX, minY, maxX, maxY, mask, false};
    // A NaN bound would make the sort meaningless; such a box meets all.
    box.wild = minX != minX || minY != minY || maxX != maxX || maxY != maxY;
    return box;
}

SweepBox fattened(const SweepBox& box) {
    float extent = std::max(box.maxX - box.minX, box.maxY - box.minY);
    // An empty (inverted) or unbounded box keeps its bounds.
    float margin = extent > 0.0f && extent < 1e30f ? extent * 0.125f : 0.0f;
    // Rounding is monotonic, so the float ends still enclose the box.
    SweepBox fat = box;
    fat.minX = box.minX - margin;
    fat.minY = box.minY - margin;
    fat.maxX = box.maxX + margin;
    fat.maxY = box.maxY + margin;
    return fat;
}

bool boxContains(const SweepBox& outer, const SweepBox& inner) {
    if (outer.wild) return (inner.mask & ~outer.mask) == 0;
    return !inner.wild && inner.mask == outer.mask && inner.minX >= outer.minX && inner.minY >= outer.minY &&
           inner.maxX <= outer.maxX && inner.maxY <= outer.maxY;
}

void PairSweep::reserve(size_t capacity) {
    size_t rowWords = (capacity + 63) / 64;
    boxes.reserve(capacity);
    slots.reserve(capacity);
    sorted.reserve(capacity);
    rows.reserve(capacity * rowWords);
}

void PairSweep::begin(size_t itemCount) {
    if (itemCount != count) sortedOnce = false;
    count = itemCount;
    words = (itemCount + 63) / 64;
    boxes.resize(itemCount);
    slots.resize(itemCount);
    rows.assign(itemCount * words, 0);
}

void PairSweep::markPair(size_t itemA, size_t itemB) {
    size_t slotA = slots[itemA], slotB = slots[itemB];
    if (slotA == slotB) return;
    size_t row = std::min(slotA, slotB), column = std::max(slotA, slotB);
    rows[row * words + column / 64] |= uint64_t{1} << (column % 64);
}

void PairSweep::sweep() {
    // Items in order of minX, wild boxes last. Between passes the boxes move
    // little, so an insertion sort of the last order costs about one look
    // per item; the first sweep sorts from scratch.
    auto before = [this](uint32_t a, uint32_t b) {
        if (boxes[a].wild != boxes[b].wild) return boxes[b].wild;
        return !boxes[a].wild && boxes[a].minX < boxes[b].minX;
    };
    if (!sortedOnce || sorted.size() != count) {
        sorted.resize(count);
        for (size_t i = 0; i < count; ++i) sorted[i] = static_cast<uint32_t>(i);
        std::sort(sorted.begin(), sorted.end(), before);
        sortedOnce = true;
    } else {
        for (auto it = sorted.begin() + 1; it < sorted.end(); ++it)
            for (auto j = it; j != sorted.begin() && before(*j, *(j - 1)); --j) std::iter_swap(j, j - 1);
    }

    size_t tame = 0;
    while (tame < count && !boxes[sorted[tame]].wild) ++tame;
    for (size_t p = 0; p < tame; ++p) {
        const SweepBox& box = boxes[sorted[p]];
        // Everything after p starts at or right of box.minX; once one starts
        // right of box.maxX, so do all the rest.
        for (size_t q = p + 1; q < tame && !(boxes[sorted[q]].minX > box.maxX); ++q)
            if (boxesMayMeet(box, boxes[sorted[q]])) markPair(sorted[p], sorted[q]);
    }
    for (size_t p = tame; p < count; ++p)
        for (size_t other = 0; other < count; ++other)
            if (boxesMayMeet(boxes[sorted[p]], boxes[other])) markPair(sorted[p], other);
}

void PairSweep::place(size_t item, size_t slot, const SweepBox& box) {
    slots[item] = static_cast<uint32_t>(slot);
    boxes[item] = fattened(box);
}

void PairSweep::update(size_t item, const SweepBox& box) {
    if (boxContains(boxes[item], box)) return;
    boxes[item] = fattened(box);
    for (size_t other = 0; other < count; ++other)
        if (other != item && boxesMayMeet(boxes[item], boxes[other])) markPair(item, other);
}

size_t PairSweep::nextCandidate(size_t slot, size_t from) const {
    if (from >= count) return count;
    const uint64_t* row = rows.data() + slot * words;
    size_t word = from / 64;
    uint64_t bits = row[word] & (~uint64_t{0} << (from % 64));
    while (true) {
        if (bits != 0) return std::min(count, word * 64 + static_cast<size_t>(std::countr_zero(bits)));
        if (++word >= words) return count;
        bits = row[word];
    }
}

size_t PairSweep::candidatePairs() const {
    size_t pairs = 0;
    for (uint64_t bits : rows) pairs += static_cast<size_t>(std::popcount(bits));
    return pairs;
}

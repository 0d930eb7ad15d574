// Which body pairs found no contact with the predictions they still have.
// The contact test of two bodies reads only their predictions, their
// current outlines and their shapes' constants, and within one cycle only a
// prediction changes any of them. A pair that found nothing finds nothing
// again until one of its bodies is predicted again, so its test can be
// passed over. In the passes that keep the sub-step only corrected bodies
// are predicted again, and most pairs keep their inputs.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/records.h"

struct PairNotes {
    struct Note {
        uint32_t cycle = 0;  // 0: never written
        uint32_t predictionsLow = 0, predictionsHigh = 0;
    };

    std::vector<Note> notes;  // by serial pair, lower serial first
    uint32_t cycle = 0;       // notes of another cycle (or world) say nothing

    // Storage for every serial pair; outside the passes, which never allocate.
    void reserve() {
        if (notes.empty()) notes.resize(static_cast<size_t>(maxBodiesPerWorld) * maxBodiesPerWorld);
    }
    // Serials and prediction counts start again: no earlier note holds.
    void beginCycle() {
        cycle += 1;
        if (cycle == 0) {  // after 2^32 cycles: old notes would match again
            std::fill(notes.begin(), notes.end(), Note{});
            cycle = 1;
        }
    }
    bool foundNothing(const Body& a, const Body& b) const {
        size_t index = indexOf(a, b);
        if (index == none || notes[index].cycle != cycle) return false;
        bool lowFirst = a.serial < b.serial;
        return notes[index].predictionsLow == (lowFirst ? a : b).predictions &&
               notes[index].predictionsHigh == (lowFirst ? b : a).predictions;
    }
    void rememberNothing(const Body& a, const Body& b) {
        size_t index = indexOf(a, b);
        if (index == none) return;
        bool lowFirst = a.serial < b.serial;
        notes[index] = {cycle, (lowFirst ? a : b).predictions, (lowFirst ? b : a).predictions};
    }

private:
    static constexpr size_t none = SIZE_MAX;

    // none for serials outside the table or shared by two bodies.
    size_t indexOf(const Body& a, const Body& b) const {
        int32_t low = std::min(a.serial, b.serial), high = std::max(a.serial, b.serial);
        if (low < 0 || high >= maxBodiesPerWorld || low == high || notes.empty()) return none;
        return static_cast<size_t>(low) * maxBodiesPerWorld + static_cast<size_t>(high);
    }
};

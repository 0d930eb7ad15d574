// The step's working values, gathered in one record. There is one for the
// process (stepContext): the state dump writes it, and the next frame starts
// from what the last one left (its first cycle integrates velocities with
// the last stepTime). The world step passes it down to every operation it
// calls, so what an operation reads and writes is in its arguments.
#pragma once

#include <atomic>
#include <cstdint>

struct World;
struct StormRecord;
struct PairNotes;

struct StepContext {
    World* currentWorld = nullptr;  // the world being read or stepped
    float stepTime = 1.0f;          // dt of the current sub-step
    int32_t passCount = 0;          // solver pass within the current cycle (1..255)
    int32_t settled = 0;            // 1 until a correction is made in the pass
    int32_t bodySerial = 0;         // next serial handed out in the cycle
    // Pairs that found nothing with their bodies' current predictions, kept
    // while a world step runs whose bodies each have a serial of their own
    // (null: every pair is tested).
    PairNotes* pairNotes = nullptr;

    // Counters for the benchmarks and the golden check; no result reads them.
    uint64_t solverPassTotal = 0;  // every solver pass of every cycle
    uint64_t pairTestCount = 0;    // body pairs handed to the contact test (see collideModels)

    // Set by whoever wants to know which bodies keep long steps busy (null:
    // nothing is counted, and nothing costs anything).
    StormRecord* storms = nullptr;
    bool countingLate = false;  // this pass counts corrections (set per pass)
    bool lateCounted = false;   // some pass of this step did
};

// Counts up to the field's largest value and stays there.
inline void countLate(uint16_t& counter) {
    if (counter < UINT16_MAX) counter += 1;
}

extern StepContext stepContext;

// A correction was made: the pass does not settle. Several threads may
// clear the flag at once (one model each).
inline void unsettle(StepContext& step) { std::atomic_ref<int32_t>(step.settled).store(0, std::memory_order_relaxed); }

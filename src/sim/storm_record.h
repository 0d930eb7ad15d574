// Which contacts and joints keep a step busy. When a step needs more than
// latePassesFrom passes (up to the solver's limit), the pairs and joints
// still correcting past countedPassesFrom are the ones to look at: --stats
// lists them, and the window's statistics line can show the worst of the
// latest storm.
#pragma once

#include <cstdint>
#include <map>
#include <string>

struct World;

// Steps with a cycle of more passes than this are storms (the overlay
// reports them).
constexpr int32_t latePassesFrom = 200;

// Corrections are counted from this pass on: a storm's last passes alone
// may hold none (a step can settle at pass 201), while what keeps it busy
// corrects all through its second hundred.
constexpr int32_t countedPassesFrom = 100;

struct StormRecord {
    // Late corrections, by what made them: "contact: body ... and body ..."
    // or "joint: ...".
    std::map<std::string, uint64_t> corrections;
    uint64_t stepsAtLimit = 0;  // world steps that reached the pass limit
    int32_t framePeak = 0;      // largest pass count of any cycle since the caller cleared it
    // The pair or joint that corrected most in the latest step with late passes.
    std::string latestWorst;
    uint64_t latestWorstCount = 0;
};

// At the end of a world step whose passes counted corrections: adds them
// to `record` when the step was a storm, counts it if it reached the pass
// limit, and clears every counter of the world.
void gatherStorm(World& world, bool storm, bool reachedLimit, StormRecord& record);

// What --stats prints: the time of each step and the pass count it left.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/storm_record.h"

// Filled by the loop, one entry per step (frames with F1 held do not step).
struct StepTimes {
    long passes = 0;  // passes of the loop, stepped or not
    std::vector<double> stepMs;
    std::vector<int32_t> passCounts;
    long framesOverReported = 0;  // frames with a cycle of more than latePassesFrom passes
    // Filled by the step while the loop watches storms; the one source for
    // what --stats and the window's statistics line say about them.
    StormRecord storms;
};

struct StepStatistics {
    long steps = 0;
    double medianMs = 0.0;
    double percentile95Ms = 0.0;  // nearest rank
    int32_t maxPassCount = 0;
    double largestMs = 0.0;
};

StepStatistics summariseSteps(std::vector<double> stepMs, const std::vector<int32_t>& passCounts);

// The lines --stats prints on standard output.
void printStepStatistics(long frames, const StepStatistics& stats);

// What --stats adds about long steps: the frames past latePassesFrom passes,
// the steps that reached the pass limit, and the pairs and joints that
// corrected most in passes past latePassesFrom (at most `listed`, most first).
void printStormStatistics(const StepTimes& times, size_t listed);

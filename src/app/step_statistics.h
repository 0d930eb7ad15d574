// What --stats prints: the time of each step and the pass count it left.
#pragma once

#include <cstdint>
#include <vector>

// Filled by the loop, one entry per step (frames with F1 held do not step).
struct StepTimes {
    long passes = 0;  // passes of the loop, stepped or not
    std::vector<double> stepMs;
    std::vector<int32_t> passCounts;
};

struct StepStatistics {
    long steps = 0;
    double medianMs = 0.0;
    double percentile95Ms = 0.0;  // nearest rank
    int32_t maxPassCount = 0;
};

StepStatistics summariseSteps(std::vector<double> stepMs, const std::vector<int32_t>& passCounts);

// The lines --stats prints on standard output.
void printStepStatistics(long frames, const StepStatistics& stats);

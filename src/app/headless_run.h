// The run without a window: read the settings and the world, step a fixed
// number of frames back to back (no pacing, no drawing), then report.
#pragma once

#include <cstdint>
#include <vector>

#include "app/run_options.h"

// What --stats prints, from the time of each stepAllWorlds call and the
// pass count it left.
struct StepStatistics {
    long steps = 0;  // frames with F1 held do not step
    double medianMs = 0.0;
    double percentile95Ms = 0.0;  // nearest rank
    int32_t maxPassCount = 0;
};

StepStatistics summariseSteps(std::vector<double> stepMs, const std::vector<int32_t>& passCounts);

// Flush-to-zero, settings file, world file, frames, then the dump and the
// statistics the options ask for. Returns the exit code: 0, or 1 when the
// dump cannot be written.
int runHeadless(const RunOptions& options);

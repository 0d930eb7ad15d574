#include "app/step_statistics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

StepStatistics summariseSteps(std::vector<double> stepMs, const std::vector<int32_t>& passCounts) {
    StepStatistics stats;
    stats.steps = static_cast<long>(stepMs.size());
    if (!passCounts.empty()) stats.maxPassCount = *std::max_element(passCounts.begin(), passCounts.end());
    if (stepMs.empty()) return stats;
    std::sort(stepMs.begin(), stepMs.end());
    size_t count = stepMs.size();
    stats.medianMs = count % 2 == 1 ? stepMs[count / 2] : (stepMs[count / 2 - 1] + stepMs[count / 2]) / 2.0;
    // Nearest rank: the smallest time that at least 95 % of the steps do not exceed.
    size_t rank = static_cast<size_t>(std::ceil(0.95 * static_cast<double>(count)));
    stats.percentile95Ms = stepMs[std::max<size_t>(rank, 1) - 1];
    return stats;
}

void printStepStatistics(long frames, const StepStatistics& stats) {
    std::printf("frames: %ld\n", frames);
    std::printf("steps: %ld\n", stats.steps);
    std::printf("step median: %.4g ms\n", stats.medianMs);
    std::printf("step 95th percentile: %.4g ms\n", stats.percentile95Ms);
    std::printf("largest pass count: %d\n", static_cast<int>(stats.maxPassCount));
}

#include "app/step_statistics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>

StepStatistics summariseSteps(std::vector<double> stepMs, const std::vector<int32_t>& passCounts) {
    StepStatistics stats;
    stats.steps = static_cast<long>(stepMs.size());
    if (!passCounts.empty()) stats.maxPassCount = *std::max_element(passCounts.begin(), passCounts.end());
    if (stepMs.empty()) return stats;
    std::sort(stepMs.begin(), stepMs.end());
    stats.largestMs = stepMs.back();
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
    std::printf("largest step: %.4g ms\n", stats.largestMs);
}

void printStormStatistics(const StepTimes& times, size_t listed) {
    const StormRecord& storms = times.storms;
    std::printf("frames above %d passes: %ld\n", static_cast<int>(latePassesFrom), times.framesOverReported);
    std::printf("steps at the pass limit: %llu\n", static_cast<unsigned long long>(storms.stepsAtLimit));
    if (storms.corrections.empty()) return;
    std::vector<std::pair<std::string, uint64_t>> worst(storms.corrections.begin(), storms.corrections.end());
    std::stable_sort(worst.begin(), worst.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    if (worst.size() > listed) worst.resize(listed);
    std::printf("corrected most in those frames, from pass %d on:\n", static_cast<int>(countedPassesFrom + 1));
    for (const auto& [what, count] : worst)
        std::printf("  %llu  %s\n", static_cast<unsigned long long>(count), what.c_str());
}

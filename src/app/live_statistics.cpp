#include "app/live_statistics.h"

#include <algorithm>
#include <cstdio>

#include "sim/globals.h"

namespace {

// Only the last second counts; a clock that went back drops everything.
// A clock that stands still (a run without a window) would keep every
// entry: past the most a second can hold, the oldest go.
template <typename Entries, typename Time>
void forgetOld(Entries& entries, int64_t now, Time timeOf) {
    constexpr size_t mostKept = 4096;
    while (!entries.empty() && (now - timeOf(entries.front()) >= statisticsSpanMs || timeOf(entries.front()) > now ||
                                entries.size() > mostKept))
        entries.pop_front();
}

void forgetOld(LiveStatistics& statistics, int64_t now) {
    forgetOld(statistics.frames, now, [](int64_t at) { return at; });
    forgetOld(statistics.steps, now, [](const LiveStatistics::Step& step) { return step.at; });
}

}  // namespace

void noteFrame(LiveStatistics& statistics, int64_t now) {
    forgetOld(statistics, now);
    statistics.frames.push_back(now);
}

void noteStep(LiveStatistics& statistics, int64_t now, double milliseconds, int32_t passCount) {
    forgetOld(statistics, now);
    statistics.steps.push_back(LiveStatistics::Step{now, milliseconds});
    statistics.lastStepMs = milliseconds;
    statistics.lastPassCount = passCount;
}

void noteStorm(LiveStatistics& statistics, int64_t now, const std::string& worst) {
    statistics.storm = worst;
    statistics.stormAt = now;
}

std::string statisticsLine(LiveStatistics& statistics, int64_t now, bool paused) {
    forgetOld(statistics, now);
    double largest = 0.0;
    for (const LiveStatistics::Step& step : statistics.steps) largest = std::max(largest, step.ms);
    size_t bodies = 0, springs = 0;
    for (const auto& world : worlds) {
        for (const auto& model : world->models) bodies += model->bodies.size();
        springs += world->springs.size();
    }
    char line[256];
    std::snprintf(line, sizeof line, "%zu fps  step %.2f ms, max %.2f  %d passes  %zu bodies  %zu springs  time x%.3g",
                  statistics.frames.size(), statistics.lastStepMs, largest, static_cast<int>(statistics.lastPassCount),
                  bodies, springs, static_cast<double>(timeScale));
    std::string text = line;
    if (paused) text += "  paused";
    if (!statistics.storm.empty() && now - statistics.stormAt < statisticsSpanMs)
        text += "  storm: " + statistics.storm;
    return text;
}

// The figures of the F11 statistics line, kept as the loop runs: frames
// drawn and steps taken in the last second of the window system's clock,
// and what the last step cost.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

struct LiveStatistics {
    std::deque<int64_t> frames;  // clock readings of the frames drawn in the last second
    struct Step {
        int64_t at = 0;   // clock reading
        double ms = 0.0;  // time the step took
    };
    std::deque<Step> steps;  // the steps of the last second
    double lastStepMs = 0.0;
    int32_t lastPassCount = 0;
};

constexpr int64_t statisticsSpanMs = 1000;

void noteFrame(LiveStatistics& statistics, int64_t now);
void noteStep(LiveStatistics& statistics, int64_t now, double milliseconds, int32_t passCount);

// Frames a second, the last step's time and the largest of the last
// second, the last step's passes, bodies and springs of every world, the
// time scale, and "paused" while the simulation stands still. Fields are
// two blanks apart, where the overlay may break the line.
std::string statisticsLine(LiveStatistics& statistics, int64_t now, bool paused);

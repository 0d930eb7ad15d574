#include "app/headless_run.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "app/headless_platform.h"
#include "app/input_state.h"
#include "app/main_loop.h"
#include "app/replay.h"
#include "app/state_dump.h"
#include "files/reader.h"
#include "render/overlay_consoles.h"
#include "sim/float_mode.h"
#include "sim/globals.h"
#include "sim/step.h"

namespace {

void holdKeys(const std::vector<int>& heldKeys) {
    for (int code : heldKeys) keys[static_cast<size_t>(code) & 0xFF] = 1;
}

void printStatistics(long frames, const StepStatistics& stats) {
    std::printf("frames: %ld\n", frames);
    std::printf("steps: %ld\n", stats.steps);
    std::printf("step median: %.4g ms\n", stats.medianMs);
    std::printf("step 95th percentile: %.4g ms\n", stats.percentile95Ms);
    std::printf("largest pass count: %d\n", static_cast<int>(stats.maxPassCount));
}

}  // namespace

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

int runHeadless(const RunOptions& options) {
    enableFlushToZero();
    // A file that cannot be opened reads as empty, as at start-up.
    loadFilePath(options.settingsFile, options.settingsPrefix);
    loadFilePath(options.worldFile, options.worldPrefix);

    // Messages come only from a replay; the window procedure handles them
    // against a platform without a window.
    HeadlessPlatform headless;
    InputSession session;
    std::string error;
    if (!session.open(headless, options.replayFile, options.recordFile, true, error)) {
        std::fprintf(stderr, "vantor: %s\n", error.c_str());
        return 1;
    }
    Platform& platform = session.platform();
    // Without --frames a replay runs to its end: its last message, or the
    // quit that a WM_CLOSE posted.
    const ReplayPlatform* replay = session.replay();
    bool untilReplayEnds = replay != nullptr && options.frames == 0;
    auto replayGoesOn = [&] { return untilReplayEnds && (!replay->finished() || headless.quitPending()); };

    std::vector<double> stepMs;
    std::vector<int32_t> passCounts;
    if (options.stats) {
        // Grows past this for long runs; no up-front claim on a huge count.
        size_t expected = static_cast<size_t>(std::clamp(options.frames, 0L, 1L << 20));
        stepMs.reserve(expected);
        passCounts.reserve(expected);
    }
    long frame = 0;
    for (; frame < options.frames || replayGoesOn(); ++frame) {
        if (!handleOneMessage(platform)) break;
        holdKeys(options.heldKeys);
        // As in the windowed loop, F1 held stands the simulation still.
        if (!keyHeld(vk::f1)) {
            auto start = std::chrono::steady_clock::now();
            stepAllWorlds(heldStepKeys(), &overlayConsole(0));
            auto end = std::chrono::steady_clock::now();
            if (options.stats) {
                stepMs.push_back(std::chrono::duration<double, std::milli>(end - start).count());
                passCounts.push_back(passCount);
            }
        }
        // No drawing, but the world it would leave current.
        platform.renderFrame();
    }

    int exitCode = 0;
    if (!options.dumpFile.empty() && !writeStateDump(options.dumpFile)) {
        std::fprintf(stderr, "vantor: cannot write %s\n", options.dumpFile.c_str());
        exitCode = 1;
    }
    if (options.stats) printStatistics(frame, summariseSteps(std::move(stepMs), passCounts));
    return exitCode;
}

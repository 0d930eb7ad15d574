// Times stepAllWorlds per frame on the benchmark scenes. Each benchmark
// reads its scene, steps a settling prefix untimed, then times one frame
// per iteration and reports the median and 95th-percentile frame, passes,
// body-pair tests and the time per body-pair test. See bench/README.md.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <time.h>

#include "files/reader.h"
#include "sim/float_mode.h"
#include "sim/globals.h"
#include "sim/random.h"
#include "sim/step.h"
#include "sim/step_context.h"
#include "sim/step_crew.h"

namespace {

const std::string sourceDir = VANTOR_SOURCE_DIR;

struct Scene {
    const char* name;
    std::string path;
    int settlingFrames;  // stepped before timing starts
    int timedFrames;
};

// A fresh run: the globals, the generator and the key table as at start-up.
bool loadScene(const Scene& scene) {
    resetSimulationGlobals();
    resetRandom();
    std::filesystem::path path(scene.path);
    return loadFilePath(scene.path, path.parent_path().string() + "/");
}

double clockMs(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) * 1e-6;
}

double percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    // Nearest rank, as the headless runner's statistics.
    size_t rank = static_cast<size_t>(std::ceil(fraction * static_cast<double>(values.size())));
    return values[std::max<size_t>(rank, 1) - 1];
}

void stepScene(benchmark::State& state, const Scene& scene) {
    setStepThreads(static_cast<int>(state.range(0)));
    if (!loadScene(scene) || worlds.empty()) {
        state.SkipWithError(("cannot read " + scene.path).c_str());
        return;
    }
    for (int frame = 0; frame < scene.settlingFrames; ++frame) stepAllWorlds();

    std::vector<double> frameMs, frameCpuMs;
    frameMs.reserve(static_cast<size_t>(scene.timedFrames));
    frameCpuMs.reserve(static_cast<size_t>(scene.timedFrames));
    int32_t mostPasses = 0;
    double cpuTotalMs = 0.0;
    uint64_t pairTestsBefore = stepContext.pairTestCount;
    uint64_t passesBefore = stepContext.solverPassTotal;
    for (auto _ : state) {
        // The process's CPU time counts every thread that works on the step.
        double cpuStart = clockMs(CLOCK_PROCESS_CPUTIME_ID);
        auto start = std::chrono::steady_clock::now();
        stepAllWorlds();
        auto end = std::chrono::steady_clock::now();
        double cpuMs = clockMs(CLOCK_PROCESS_CPUTIME_ID) - cpuStart;
        frameCpuMs.push_back(cpuMs);
        cpuTotalMs += cpuMs;
        frameMs.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        mostPasses = std::max(mostPasses, stepContext.passCount);
    }
    double frames = static_cast<double>(frameMs.size());
    double pairTests = static_cast<double>(stepContext.pairTestCount - pairTestsBefore);
    state.counters["frames"] = frames;
    state.counters["median_ms"] = percentile(frameMs, 0.5);
    state.counters["p95_ms"] = percentile(frameMs, 0.95);
    state.counters["cpu_median_ms"] = percentile(frameCpuMs, 0.5);
    state.counters["cpu_p95_ms"] = percentile(frameCpuMs, 0.95);
    state.counters["passes"] = static_cast<double>(stepContext.solverPassTotal - passesBefore) / frames;
    // stepContext.passCount is the pass count of a frame's last cycle, as the overlay shows it.
    state.counters["max_passes"] = mostPasses;
    state.counters["pair_tests"] = pairTests / frames;
    state.counters["ns_per_pair"] = pairTests > 0 ? cpuTotalMs * 1e6 / pairTests : 0.0;
    resetSimulationGlobals();
}

// Each scene on one thread and on all of the machine's.
void registerScene(const Scene& scene) {
    auto* benchmark =
        benchmark::RegisterBenchmark(scene.name, [scene](benchmark::State& state) { stepScene(state, scene); });
    benchmark->ArgName("threads")->Arg(1);
    if (hardwareThreads() > 1) benchmark->Arg(hardwareThreads());
    benchmark->Iterations(scene.timedFrames)->Unit(benchmark::kMillisecond)->UseRealTime();
}

}  // namespace

int main(int argc, char** argv) {
    // The program's arithmetic: denormals flush to zero, as at start-up.
    enableFlushToZero();
    std::string scenes = sourceDir + "/bench/scenes/";
    std::string bundled = sourceDir + "/rsc/firstWorld.ini";
    if (std::filesystem::exists(bundled))
        registerScene({"bundled", bundled, 100, 200});
    else
        std::fprintf(stderr, "step_bench: %s not found; the bundled scene is skipped\n", bundled.c_str());
    registerScene({"box_pour", scenes + "box_pour.ini", 60, 200});
    registerScene({"ragdolls", scenes + "ragdolls.ini", 60, 200});
    registerScene({"chain", scenes + "chain.ini", 100, 100});
    registerScene({"pile", scenes + "pile.ini", 100, 200});
    registerScene({"discs", scenes + "discs.ini", 60, 60});
    registerScene({"pyramid", scenes + "pyramid.ini", 60, 200});
    registerScene({"ragdoll_storm", scenes + "ragdoll_storm.ini", 100, 100});

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

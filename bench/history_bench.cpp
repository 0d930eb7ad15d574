// What the Backspace history costs on each scene: the memory 60 seconds of
// frames take, the time keeping a frame adds to the step, and the time
// going back a frame takes. Steps FRAMES frames (3000 by default: 60 s at
// 50 a second) keeping each, then goes back through all of them.
// Usage: history_bench [FRAMES] [SCENE_NAME...]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/history.h"
#include "files/reader.h"
#include "sim/float_mode.h"
#include "sim/globals.h"
#include "sim/random.h"
#include "sim/step.h"

namespace {

const std::string sourceDir = VANTOR_SOURCE_DIR;

struct Scene {
    std::string name;
    std::string settings;  // empty: the scene holds its own
    std::string world;
};

double nowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

double residentMb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * 4096.0 / (1024.0 * 1024.0);
}

double percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    size_t rank = static_cast<size_t>(std::ceil(fraction * static_cast<double>(values.size())));
    return values[std::max<size_t>(rank, 1) - 1];
}

double mean(const std::vector<double>& values) {
    double sum = 0.0;
    for (double value : values) sum += value;
    return values.empty() ? 0.0 : sum / static_cast<double>(values.size());
}

bool load(const Scene& scene) {
    resetSimulationGlobals();
    resetRandom();
    auto folder = [](const std::string& path) { return std::filesystem::path(path).parent_path().string() + "/"; };
    if (!scene.settings.empty() && !loadFilePath(scene.settings, folder(scene.settings))) return false;
    return loadFilePath(scene.world, folder(scene.world));
}

void measure(const Scene& scene, int frames) {
    if (!load(scene)) {
        std::printf("%-14s cannot be read\n", scene.name.c_str());
        return;
    }
    double residentBefore = residentMb();
    History history;
    history.keepFrame();
    std::vector<double> stepMs, keepMs, backMs;
    for (int frame = 0; frame < frames; ++frame) {
        double start = nowMs();
        stepAllWorlds();
        double stepped = nowMs();
        history.keepFrame();
        stepMs.push_back(stepped - start);
        keepMs.push_back(nowMs() - stepped);
    }
    double heldMb = static_cast<double>(history.bytes) / (1024.0 * 1024.0);
    double residentGrowth = residentMb() - residentBefore;
    size_t kept = history.frames;
    while (true) {
        double start = nowMs();
        bool moved = history.stepBack();
        backMs.push_back(nowMs() - start);
        if (!moved) break;
    }
    std::printf("%-14s %5d %6zu %8.1f %8.1f %8.3f %8.3f %8.3f %6.1f %8.3f %8.3f\n", scene.name.c_str(),
                static_cast<int>(worlds.empty() ? 0 : worlds[0]->bodyCount()), kept, heldMb, residentGrowth,
                percentile(stepMs, 0.5), mean(keepMs), percentile(keepMs, 0.95), 100.0 * mean(keepMs) / mean(stepMs),
                mean(backMs), percentile(backMs, 1.0));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    enableFlushToZero();
    int frames = argc > 1 ? std::atoi(argv[1]) : static_cast<int>(historyFrameLimit);
    std::string benchScenes = sourceDir + "/bench/scenes/";
    std::vector<Scene> scenes = {{"bundled", sourceDir + "/rsc/engine.ini", sourceDir + "/rsc/firstWorld.ini"}};
    for (const char* name : {"pile", "box_pour", "ragdolls", "pyramid", "discs", "chain", "ragdoll_storm"})
        scenes.push_back({name, "", benchScenes + name + ".ini"});
    std::printf("%-14s %5s %6s %8s %8s %8s %8s %8s %6s %8s %8s\n", "scene", "body0", "frames", "held_MB", "rss_MB",
                "step_p50", "keep_avg", "keep_p95", "keep%", "back_avg", "back_max");
    for (const Scene& scene : scenes) {
        bool asked = argc <= 2;
        for (int i = 2; i < argc; ++i) asked = asked || scene.name == argv[i];
        if (asked) measure(scene, frames);
    }
    return 0;
}

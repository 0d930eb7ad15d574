// The long soak: random sessions on the bundled scene, one after another
// for as long as asked, each recorded, replayed twice and compared, every
// number of the final state checked. Built with the sanitizers by
// bench/soak.sh. Stops at the first session that does not hold, keeping its
// record.
// Usage: session_soak MINUTES PASSES_PER_SESSION WORK_DIRECTORY
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "app/main_loop.h"
#include "files/diagnostics.h"
#include "hostile/program_run.h"
#include "sessions/random_session.h"
#include "sim/float_mode.h"
#include "support/reset.h"

namespace {

const std::string bundled = VANTOR_SOURCE_DIR "/rsc/";

std::string contentsOf(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string run(WindowSystem& input, RunOptions options) {
    resetProcessState();
    std::ostringstream notes;
    diagnosticSink = &notes;
    NullRenderer renderer;
    int exitCode = runProgram(input, renderer, options, programActions());
    resetProcessState();
    return exitCode == 0 ? contentsOf(options.dumpFile) : std::string();
}

RunOptions optionsFor(long passes, const std::filesystem::path& dump) {
    RunOptions options;
    options.headless = true;
    options.frames = passes;
    options.settingsFile = bundled + "engine.ini";
    options.settingsPrefix = bundled;
    options.worldFile = bundled + "firstWorld.ini";
    options.worldPrefix = bundled;
    options.dumpFile = dump.string();
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: session_soak MINUTES PASSES_PER_SESSION WORK_DIRECTORY\n");
        return 2;
    }
    enableFlushToZero();
    double minutes = std::atof(argv[1]);
    long passes = std::atol(argv[2]);
    std::filesystem::path work = argv[3];
    std::filesystem::create_directories(work);
    std::vector<std::string> drops;
    for (const char* name : {"box.ini", "pendulum.ini", "ragdoll.ini", "stack.ini"})
        drops.push_back(bundled + "examples/" + name);

    auto start = std::chrono::steady_clock::now();
    auto elapsedMinutes = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / 60.0;
    };
    long sessions = 0, totalPasses = 0;
    for (uint32_t seed = 1; elapsedMinutes() < minutes; ++seed) {
        std::filesystem::path record = work / "session.txt";
        RunOptions live = optionsFor(passes, work / "live.json");
        live.recordFile = record.string();
        RandomSession session(seed, drops);
        std::string liveState = run(session, live);
        RunOptions replay = optionsFor(passes, work / "replayed.json");
        replay.replayFile = record.string();
        HeadlessWindowSystem first, second;
        std::string replayed = run(first, replay);
        std::string again = run(second, replay);
        std::string problem;
        if (liveState.empty() || replayed.empty())
            problem = "a run failed";
        else if (replayed != again)
            problem = "two replays differ";
        else if (liveState != replayed)
            problem = "the replay ends elsewhere than the session";
        else if (std::string bad = nonFiniteValues(nlohmann::json::parse(replayed)); !bad.empty())
            problem = "non-finite values: " + bad;
        sessions += 1;
        totalPasses += 3 * passes;
        if (!problem.empty()) {
            std::filesystem::copy_file(record, work / ("failed-seed" + std::to_string(seed) + ".txt"),
                                       std::filesystem::copy_options::overwrite_existing);
            std::printf("seed %u: %s (record kept in %s)\n", seed, problem.c_str(), work.c_str());
            return 1;
        }
        std::printf("seed %u: %ld passes, live and two replays the same, all finite (%.1f min)\n", seed,
                    3 * passes, elapsedMinutes());
        std::fflush(stdout);
    }
    std::printf("soak: %ld sessions, %ld passes in %.1f minutes, no finding\n", sessions, totalPasses,
                elapsedMinutes());
    return 0;
}

#include "sessions/session_check.h"

#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "app/main_loop.h"
#include "files/diagnostics.h"
#include "hostile/program_run.h"
#include "sessions/random_session.h"
#include "support/reset.h"

namespace {

const std::string bundled = VANTOR_SOURCE_DIR "/rsc/";

std::string contentsOf(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

RunOptions sessionOptions(long passes, const std::filesystem::path& dump) {
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

// The final state of a run from a fresh process state, or empty when the
// run failed.
std::string run(WindowSystem& input, const RunOptions& options) {
    resetProcessState();
    std::ostringstream notes;  // dropped files past a world's limit are noted
    diagnosticSink = &notes;
    NullRenderer renderer;
    int exitCode = runProgram(input, renderer, options, programActions());
    resetProcessState();
    return exitCode == 0 ? contentsOf(options.dumpFile) : std::string();
}

}  // namespace

std::string checkRandomSession(uint32_t seed, long passes, const std::filesystem::path& work) {
    std::vector<std::string> drops;
    for (const char* name : {"box.ini", "pendulum.ini", "ragdoll.ini", "stack.ini"})
        drops.push_back(bundled + "examples/" + name);
    std::filesystem::path record = work / ("session" + std::to_string(seed) + ".txt");
    RunOptions live = sessionOptions(passes, work / "live.json");
    live.recordFile = record.string();
    RandomSession session(seed, drops);
    std::string liveState = run(session, live);

    RunOptions replay = sessionOptions(passes, work / "replayed.json");
    replay.replayFile = record.string();
    HeadlessWindowSystem first, second;
    std::string replayed = run(first, replay);
    std::string again = run(second, replay);
    if (liveState.empty() || replayed.empty() || again.empty()) return "a run failed";
    if (replayed != again) return "two replays of one record differ";
    if (liveState != replayed) return "the replay ends elsewhere than the session";
    std::string bad = nonFiniteValues(nlohmann::json::parse(replayed));
    if (!bad.empty()) return "non-finite values: " + bad;
    return {};
}

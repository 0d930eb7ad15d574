// Random sessions on the bundled scene: each is recorded while it runs,
// then replayed twice without a window. All three runs must end in the same
// state, byte for byte, with every number finite (CI runs this under
// AddressSanitizer and UndefinedBehaviorSanitizer too, where a leak or a
// freed spring read shows).
#include <gtest/gtest.h>

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

// Runs `passes` passes from a fresh process state with the given input;
// returns the dump.
std::string run(WindowSystem& input, RunOptions options) {
    resetProcessState();
    std::ostringstream notes;  // dropped files past a world's limit are noted
    diagnosticSink = &notes;
    NullRenderer renderer;
    EXPECT_EQ(runProgram(input, renderer, options, programActions()), 0);
    resetProcessState();
    return contentsOf(options.dumpFile);
}

TEST(RandomSessions, RecordedSessionsReplayTwiceToTheSameFiniteState) {
    ScratchDirectory scratch("random-sessions");
    const long passes = 700;
    std::vector<std::string> drops;
    for (const char* name : {"box.ini", "pendulum.ini", "ragdoll.ini", "stack.ini"})
        drops.push_back(bundled + "examples/" + name);
    for (uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::filesystem::path record = scratch.path / ("session" + std::to_string(seed) + ".txt");
        RunOptions live = sessionOptions(passes, scratch.path / "live.json");
        live.recordFile = record.string();
        RandomSession session(seed, drops);
        std::string liveState = run(session, live);

        RunOptions replay = sessionOptions(passes, scratch.path / "replayed.json");
        replay.replayFile = record.string();
        HeadlessWindowSystem first, second;
        std::string replayed = run(first, replay);
        std::string again = run(second, replay);
        EXPECT_EQ(replayed, again) << "two replays of one record differ";
        EXPECT_EQ(liveState, replayed) << "the replay ends elsewhere than the session";

        nlohmann::json state = nlohmann::json::parse(replayed);
        EXPECT_EQ(nonFiniteValues(state), "");
        EXPECT_EQ(state["worlds"][0]["stepCount"].get<long>() > 0, true);
        // The session did what a hand does.
        std::string messages = contentsOf(record);
        for (const char* seen : {"WM_LBUTTONDOWN", "WM_RBUTTONDOWN", "WM_KEYDOWN", "WM_MOUSEMOVE"})
            EXPECT_NE(messages.find(seen), std::string::npos) << seen;
    }
}

}  // namespace

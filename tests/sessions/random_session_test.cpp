// Random sessions on the bundled scene: each is recorded while it runs,
// then replayed twice without a window. All three runs must end in the same
// state, byte for byte, with every number finite (CI runs this under
// AddressSanitizer and UndefinedBehaviorSanitizer too, where a leak or a
// freed spring read shows).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "hostile/program_run.h"
#include "sessions/session_check.h"

namespace {

// One test a seed, so each has the whole time limit: under the sanitizers
// a session of grabs, drops and Backspace takes a while.
class RandomSessions : public ::testing::TestWithParam<uint32_t> {};

TEST_P(RandomSessions, RecordedSessionsReplayTwiceToTheSameFiniteState) {
    ScratchDirectory scratch("random-sessions");
    uint32_t seed = GetParam();
    EXPECT_EQ(checkRandomSession(seed, 700, scratch.path), "") << "seed " << seed;
    // The session did what a hand does.
    std::ifstream record(scratch.path / ("session" + std::to_string(seed) + ".txt"));
    std::stringstream messages;
    messages << record.rdbuf();
    for (const char* seen : {"WM_LBUTTONDOWN", "WM_RBUTTONDOWN", "WM_KEYDOWN", "WM_MOUSEMOVE", "WM_DROPFILES"})
        EXPECT_NE(messages.str().find(seen), std::string::npos) << "seed " << seed << ": " << seen;
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomSessions, ::testing::Values(1u, 2u, 3u));

}  // namespace

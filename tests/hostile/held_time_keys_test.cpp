// The time-scale keys held for minutes (20000 frames at 50 per second),
// through the real program: the world stays finite, and J still brings the
// time scale back to 1.
#include <gtest/gtest.h>

#include <cmath>

#include "hostile/program_run.h"

namespace {

const std::string boxOnFloor = "'" VANTOR_TEST_DATA "/runner/box_on_floor.ini'";

float timeScaleOf(const ProgramRun& run) {
    const auto& value = run.dump["timeScale"];
    return value.is_number() ? value.get<float>() : NAN;
}

TEST(HeldTimeKeys, TwentyThousandFramesOfKOrLKeepEveryNumberFinite) {
    ScratchDirectory scratch("held-time-keys");
    for (const char* held : {"k", "l"}) {
        ProgramRun run =
            runProgramHeadless(scratch.path, std::string("--frames 20000 --hold ") + held + " --world " + boxOnFloor);
        EXPECT_EQ(run.exitCode, 0) << held << "\n" << run.errors;
        ASSERT_TRUE(run.dump.is_object()) << held;
        EXPECT_EQ(nonFiniteValues(run.dump), "") << held;
        float scale = timeScaleOf(run);
        EXPECT_TRUE(std::isfinite(scale)) << held;
        EXPECT_GE(scale, 0.0f) << held;
        EXPECT_EQ(run.dump["worlds"][0]["stepCount"], 20000) << held;
        if (std::string(held) == "k") {
            EXPECT_GT(scale, 1000.0f);
        }
    }
}

TEST(HeldTimeKeys, JHeldWithKOrLKeepsTheTimeScaleAtOne) {
    ScratchDirectory scratch("held-time-keys-j");
    for (const char* held : {"k,j", "l,j"}) {
        ProgramRun run =
            runProgramHeadless(scratch.path, std::string("--frames 20000 --hold ") + held + " --world " + boxOnFloor);
        EXPECT_EQ(run.exitCode, 0) << held << "\n" << run.errors;
        ASSERT_TRUE(run.dump.is_object()) << held;
        EXPECT_EQ(timeScaleOf(run), 1.0f) << held;
        EXPECT_EQ(nonFiniteValues(run.dump), "") << held;
    }
}

}  // namespace

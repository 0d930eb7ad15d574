// The time-scale keys held for minutes (20000 frames at 50 per second),
// through the real program: the world stays finite, and J still brings the
// time scale back to 1.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "hostile/program_run.h"

namespace {

const std::string boxOnFloor = "'" VANTOR_TEST_DATA "/runner/box_on_floor.ini'";
const std::string bundledScene =
    " --settings '" VANTOR_SOURCE_DIR "/rsc/engine.ini' --world '" VANTOR_SOURCE_DIR "/rsc/firstWorld.ini'";

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

// Every body's pose, to tell whether anything moved between two dumps.
std::vector<float> posesOf(const ProgramRun& run) {
    std::vector<float> poses;
    for (const auto& world : run.dump["worlds"])
        for (const auto& model : world["models"])
            for (const auto& body : model["bodies"])
                for (const char* field : {"x", "y", "angle"}) poses.push_back(body[field].get<float>());
    return poses;
}

// The bundled scene has two worlds, so L divides the time scale twice a
// frame, and about frame 4390 the sub-step falls below the smallest normal
// float: a tiny time scale must end every frame as a time scale of 0 does.
TEST(HeldTimeKeys, LHeldTenThousandFramesOnTheBundledSceneEndsAndJBringsBackOne) {
    ScratchDirectory scratch("held-l-bundled");
    ProgramRun held = runProgramHeadless(scratch.path, "--frames 10000 --hold l" + bundledScene, 60);
    ASSERT_EQ(held.exitCode, 0) << held.errors;
    ASSERT_TRUE(held.dump.is_object());
    EXPECT_EQ(nonFiniteValues(held.dump), "");
    EXPECT_EQ(timeScaleOf(held), 0.0f);
    EXPECT_EQ(held.dump["worlds"][1]["stepCount"], 10000);

    // The same 10000 frames, then J for one frame and 60 frames at speed 1.
    std::ofstream(scratch.path / "l-then-j.txt") << "vantor-record 1\n"
                                                    "0 WM_KEYDOWN 0x4C\n"
                                                    "10000 WM_KEYUP 0x4C\n"
                                                    "10001 WM_KEYDOWN 0x4A\n"
                                                    "10002 WM_KEYUP 0x4A\n";
    ProgramRun restored = runProgramHeadless(scratch.path, "--frames 10060 --replay l-then-j.txt" + bundledScene, 60);
    ASSERT_EQ(restored.exitCode, 0) << restored.errors;
    ASSERT_TRUE(restored.dump.is_object());
    EXPECT_EQ(timeScaleOf(restored), 1.0f);
    EXPECT_EQ(nonFiniteValues(restored.dump), "");
    EXPECT_NE(posesOf(restored), posesOf(held)) << "nothing moved once J was pressed";
}

}  // namespace

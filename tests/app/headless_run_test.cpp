// The headless runner: its step statistics, and the built program run end
// to end on a small world file.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "app/options.h"
#include "app/step_statistics.h"

using nlohmann::json;

namespace {

TEST(StepStatistics, MedianPercentileAndLargestPassCount) {
    StepStatistics odd = summariseSteps({5.0, 1.0, 3.0, 2.0, 4.0}, {3, 9, 2, 1, 1});
    EXPECT_EQ(odd.steps, 5);
    EXPECT_DOUBLE_EQ(odd.medianMs, 3.0);
    EXPECT_DOUBLE_EQ(odd.percentile95Ms, 5.0);
    EXPECT_EQ(odd.maxPassCount, 9);

    StepStatistics even = summariseSteps({4.0, 1.0, 3.0, 2.0}, {1, 1, 1, 1});
    EXPECT_DOUBLE_EQ(even.medianMs, 2.5);
    EXPECT_DOUBLE_EQ(even.percentile95Ms, 4.0);

    // Twenty steps: the 95th percentile is the 19th, one slow outlier ignored.
    std::vector<double> twenty;
    for (int i = 1; i <= 20; ++i) twenty.push_back(i == 20 ? 1000.0 : i);
    EXPECT_DOUBLE_EQ(summariseSteps(twenty, {}).percentile95Ms, 19.0);

    StepStatistics none = summariseSteps({}, {});
    EXPECT_EQ(none.steps, 0);
    EXPECT_EQ(none.medianMs, 0.0);
    EXPECT_EQ(none.maxPassCount, 0);
}

// Runs the built program in a scratch directory (so no rsc/ is found
// there) and keeps its exit code and standard output.
class Program : public ::testing::Test {
protected:
    std::filesystem::path dir;

    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir =
            std::filesystem::temp_directory_path() / ("vantor-runner-" + std::to_string(getpid()) + "-" + test->name());
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    int run(const std::string& arguments, std::string* output = nullptr) {
        std::string outFile = (dir / "stdout.txt").string();
        std::string command = "cd '" + dir.string() + "' && '" VANTOR_BINARY "' " + arguments + " > '" + outFile +
                              "' 2> '" + (dir / "stderr.txt").string() + "'";
        int status = std::system(command.c_str());
        if (output) *output = readText(outFile);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    static std::string readText(const std::filesystem::path& path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    json readDump(const std::string& name) { return json::parse(readText(dir / name)); }
};

const std::string boxOnFloor = "'" VANTOR_TEST_DATA "/runner/box_on_floor.ini'";

float number(const json& value) { return static_cast<float>(value.get<double>()); }

TEST_F(Program, BoxFallsOntoABoltedFloor) {
    ASSERT_EQ(run("--headless --frames 0 --world " + boxOnFloor + " --dump start.json"), 0);
    ASSERT_EQ(run("--headless --frames 10 --world " + boxOnFloor + " --dump end.json"), 0);
    json start = readDump("start.json");
    json end = readDump("end.json");

    ASSERT_EQ(end["worlds"].size(), 1u);
    EXPECT_EQ(end["worlds"][0]["label"], "box on floor");
    EXPECT_EQ(start["worlds"][0]["stepCount"], 0);
    EXPECT_EQ(end["worlds"][0]["stepCount"], 10);
    const json& models = end["worlds"][0]["models"];
    ASSERT_EQ(models.size(), 2u);
    const json& floorStart = start["worlds"][0]["models"][0]["bodies"][0];
    const json& boxStart = start["worlds"][0]["models"][1]["bodies"][0];
    const json& floorEnd = models[0]["bodies"][0];
    const json& boxEnd = models[1]["bodies"][0];
    ASSERT_EQ(floorEnd["name"], "floor");
    ASSERT_EQ(boxEnd["name"], "box");

    // The bolted floor has not moved at all.
    EXPECT_EQ(number(floorEnd["x"]), number(floorStart["x"]));
    EXPECT_EQ(number(floorEnd["y"]), -23.0f);
    EXPECT_EQ(number(floorEnd["vy"]), 0.0f);
    EXPECT_EQ(number(floorEnd["invMass"]), 0.0f);

    // The box starts at 0 with a 3-unit gap below it: it falls and lands on
    // the floor's top (y = -13), not through it.
    EXPECT_EQ(number(boxStart["y"]), 0.0f);
    float boxY = number(boxEnd["y"]);
    EXPECT_LT(boxY, -1.0f);
    EXPECT_GT(boxY - 10.0f, -13.0f - 1.0f);
    EXPECT_EQ(number(boxEnd["mass"]), 400.0f);
}

TEST_F(Program, RunsAreRepeatable) {
    ASSERT_EQ(run("--headless --frames 10 --world " + boxOnFloor + " --dump a.json"), 0);
    ASSERT_EQ(run("--headless --frames 10 --world " + boxOnFloor + " --dump b.json"), 0);
    EXPECT_EQ(readText(dir / "a.json"), readText(dir / "b.json"));
}

TEST_F(Program, HeldKeysReachTheStep) {
    // K held: the time scale grows by 1 % per frame (one world, one step each).
    ASSERT_EQ(run("--headless --frames 10 --hold k --world " + boxOnFloor + " --dump held.json"), 0);
    float expected = 1.0f;
    for (int frame = 0; frame < 10; ++frame) expected = static_cast<float>(static_cast<double>(expected) * 1.01);
    EXPECT_EQ(number(readDump("held.json")["timeScale"]), expected);

    // F1 held stands the simulation still, as in the windowed loop.
    ASSERT_EQ(run("--headless --frames 3 --hold f1,k --world " + boxOnFloor + " --dump f1.json"), 0);
    json still = readDump("f1.json");
    EXPECT_EQ(still["worlds"][0]["stepCount"], 0);
    EXPECT_EQ(number(still["timeScale"]), 1.0f);
}

TEST_F(Program, StatisticsAndExitCodes) {
    std::string output;
    ASSERT_EQ(run("--headless --frames 5 --stats --world " + boxOnFloor, &output), 0);
    EXPECT_NE(output.find("frames: 5\nsteps: 5\n"), std::string::npos) << output;
    EXPECT_NE(output.find("step median:"), std::string::npos) << output;
    EXPECT_NE(output.find("step 95th percentile:"), std::string::npos) << output;
    EXPECT_NE(output.find("largest pass count:"), std::string::npos) << output;
    EXPECT_NE(output.find("largest step:"), std::string::npos) << output;
    EXPECT_NE(output.find("frames above 200 passes: 0\nsteps at the pass limit: 0\n"), std::string::npos) << output;

    EXPECT_EQ(run("--headless --frames 2"), 0);  // no rsc/ here: an empty run
    EXPECT_EQ(run("--help", &output), 0);
    EXPECT_NE(output.find("--dump"), std::string::npos);
    EXPECT_NE(run("--bogus"), 0);
    EXPECT_NE(run("--headless --hold shift"), 0);
    EXPECT_EQ(run("--headless --dump no-such-dir/out.json"), 1);
}

// --check reads files as start-up does and says what they hold; a note
// anywhere, in an included file too, makes the exit code 1.
TEST_F(Program, CheckTellsNotesAndWhatFilesHold) {
    std::string output;
    const std::string source = VANTOR_SOURCE_DIR;
    ASSERT_EQ(run("--check '" + source + "/rsc/firstWorld.ini'", &output), 0) << output;
    // The mass follows the shapes' areas; the counts are the scene's own.
    EXPECT_EQ(output.rfind(source + "/rsc/firstWorld.ini: 2 worlds, 15 models, 49 bodies, 63 shapes, movable mass ", 0),
              0u)
        << output;
    EXPECT_TRUE(output.ends_with(", 2 textures; no notes\n")) << output;

    // The bad number is in the included file, on its line 2.
    const std::string badNumber = VANTOR_TEST_DATA "/files/bad_number_main.ini";
    ASSERT_EQ(run("--check '" + badNumber + "'", &output), 1);
    EXPECT_NE(output.find("vantor: " VANTOR_TEST_DATA "/files/bad_number_part.txt:2: cannot read a number"),
              std::string::npos)
        << output;
    EXPECT_NE(
        output.find(badNumber +
                    ": 1 world, 1 model, 1 body, 2 shapes, movable mass 5, 0 bolted bodies, 0 textures; 2 notes\n"),
        std::string::npos)
        << output;

    // A folder: every *.ini directly in it, in name order; one bad file is enough.
    std::filesystem::create_directories(dir / "worlds" / "deeper");
    std::ofstream(dir / "worlds" / "b.ini") << "W { l b\n  M { P { g { x= 0 0 }  p { v 0 0  v 1 0  v 0 x } } } }\n";
    std::ofstream(dir / "worlds" / "a.ini") << "w 640 480\n";
    std::ofstream(dir / "worlds" / "notes.txt") << "not a world";
    std::ofstream(dir / "worlds" / "deeper" / "c.ini") << "W {";
    // A fragment is checked through the file that includes it, with its own
    // file and line in the notes; a bolted body counts apart from the mass.
    std::ofstream(dir / "worlds" / "frame.ini") << "W { l frame\n  M { f piece.ini } }\n";
    std::ofstream(dir / "worlds" / "piece.ini") << "P { g { x= 0 0 } ! BOLTED\n p { v 0 0 v 1 0 v 1 1 e 3 } }\n";
    ASSERT_EQ(run("--check worlds", &output), 1);
    EXPECT_EQ(output,
              "worlds/a.ini: 0 worlds, 0 models, 0 bodies, 0 shapes, movable mass 0, 0 bolted bodies, 0 textures; no "
              "notes\n"
              "vantor: worlds/b.ini:2: cannot read a number; reading of this file stops\n"
              "vantor: worlds/b.ini:2: shape has no area; left out\n"
              "vantor: worlds/b.ini:2: body has no shape with mass; it will not move\n"
              "worlds/b.ini: 1 world, 1 model, 1 body, 0 shapes, movable mass 0, 0 bolted bodies, 0 textures; 3 "
              "notes\n"
              "vantor: worlds/piece.ini:2: bounce 3 is refused: above 1 a body would rise higher at every bounce (the "
              "range is 0.01 to 1); 1 is used\n"
              "worlds/frame.ini: 1 world, 1 model, 1 body, 1 shape, movable mass 0, 1 bolted body, 0 textures; 1 note\n"
              "worlds/piece.ini: included by worlds/frame.ini; checked there\n");
    EXPECT_EQ(run("--check '" + source + "/rsc'"), 0);
    EXPECT_EQ(run("--check --dropped '" + source + "/rsc/examples'", &output), 0) << output;
    EXPECT_EQ(run("--check worlds/deeper/c.ini worlds/missing.ini", &output), 1);
    EXPECT_NE(output.find("vantor: cannot open \"worlds/missing.ini\""), std::string::npos) << output;
    EXPECT_EQ(run("--check"), usageErrorExitCode);
}

}  // namespace

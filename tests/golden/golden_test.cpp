// Golden trajectories: each benchmark scene is stepped 300 frames (the storm
// 120) and every body's position, angle and velocities are hashed after
// every frame. The stored hashes guard the step's arithmetic bit for bit, so
// a change meant only to make the step faster cannot change a single result
// unnoticed.
//
// A mismatch prints the actual line. Regenerating is a deliberate act:
//   VANTOR_UPDATE_GOLDENS=1 ./tests/vantor_tests --gtest_filter='Golden*'
// rewrites tests/golden/hashes.txt; commit it with the reason in the message.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "files/reader.h"
#include "sim/globals.h"
#include "sim/step.h"
#include "sim/step_context.h"
#include "sim/step_crew.h"
#include "sim/storm_record.h"
#include "support/reset.h"

namespace {

const std::string sourceDir = VANTOR_SOURCE_DIR;
const std::string hashFile = sourceDir + "/tests/golden/hashes.txt";
constexpr int goldenFrames = 300;
// The storm needs a second a frame before the step is made faster; its
// first 120 frames hold the fall and the first storms.
constexpr int stormFrames = 120;

int framesOf(const std::string& scene) { return scene == "ragdoll_storm" ? stormFrames : goldenFrames; }

// FNV-1a over the bit patterns: -0.0 and 0.0, or two NaNs, differ here
// exactly when they differ in memory.
struct TrajectoryHash {
    uint64_t value = 14695981039346656037ull;

    void add(float number) {
        uint32_t bits;
        std::memcpy(&bits, &number, sizeof bits);
        for (int shift = 0; shift < 32; shift += 8) {
            value ^= (bits >> shift) & 0xFFu;
            value *= 1099511628211ull;
        }
    }
    void add(const World& world) {
        for (const auto& model : world.models)
            for (const auto& body : model->bodies)
                for (float number : {body->x, body->y, body->angle, body->vx, body->vy, body->omega}) add(number);
    }
};

struct GoldenResult {
    uint64_t hash = 0;
    uint64_t pairTests = 0;  // same pairs tested, not only same positions

    std::string line(const std::string& scene) const {
        char text[96];
        std::snprintf(text, sizeof text, "%016" PRIx64 " %" PRIu64, hash, pairTests);
        return scene + " " + text;
    }
};

GoldenResult runScene(const std::string& scene, int frames, int threads = 1, StormRecord* storms = nullptr) {
    resetProcessState();
    setStepThreads(threads);
    stepContext.storms = storms;
    std::string directory = sourceDir + "/bench/scenes/";
    if (!loadFilePath(directory + scene + ".ini", directory)) ADD_FAILURE() << "cannot open scene " << scene;
    uint64_t pairTestsBefore = stepContext.pairTestCount;
    TrajectoryHash hash;
    for (int frame = 0; frame < frames; ++frame) {
        stepAllWorlds();
        for (const auto& world : worlds) hash.add(*world);
    }
    stepContext.storms = nullptr;
    return {hash.value, stepContext.pairTestCount - pairTestsBefore};
}

std::map<std::string, std::string> readGoldens() {
    std::map<std::string, std::string> lines;
    std::ifstream input(hashFile);
    std::string line;
    while (std::getline(input, line)) {
        if (line.empty() || line[0] == '#') continue;
        lines[line.substr(0, line.find(' '))] = line;
    }
    return lines;
}

void writeGolden(const std::string& scene, const std::string& line) {
    auto lines = readGoldens();
    lines[scene] = line;
    std::ofstream output(hashFile);
    output << "# scene, FNV-1a of every body's x, y, angle, vx, vy, omega after each of " << goldenFrames
           << " frames (ragdoll_storm " << stormFrames << "), pair tests\n";
    for (const auto& [name, text] : lines) output << text << "\n";
}

class Golden : public ::testing::TestWithParam<const char*> {};

}  // namespace

// The sanitizer build runs the step several times slower; the discs and the
// storm alone would take over a minute there, so that build leaves them to
// the plain one.
#ifdef __SANITIZE_ADDRESS__
constexpr bool sanitizedBuild = true;
#else
constexpr bool sanitizedBuild = false;
#endif

TEST_P(Golden, TrajectoryMatchesStoredHash) {
    std::string scene = GetParam();
    if (sanitizedBuild && (scene == "discs" || scene == "ragdoll_storm"))
        GTEST_SKIP() << "checked by the build without sanitizers";
    std::string actual = runScene(scene, framesOf(scene)).line(scene);
    const char* update = std::getenv("VANTOR_UPDATE_GOLDENS");
    if (update && std::string(update) == "1") {
        writeGolden(scene, actual);
        GTEST_SKIP() << "golden rewritten: " << actual;
    }
    auto goldens = readGoldens();
    ASSERT_TRUE(goldens.count(scene)) << "no golden for " << scene << "; actual: " << actual;
    EXPECT_EQ(goldens[scene], actual) << "the step's results changed; if that is intended, regenerate with "
                                         "VANTOR_UPDATE_GOLDENS=1 and give the reason in the commit";
}

TEST(GoldenHash, SeesEveryBitOfAFloat) {
    TrajectoryHash zero, negativeZero, tiny;
    zero.add(0.0f);
    negativeZero.add(-0.0f);
    tiny.add(1e-38f);
    EXPECT_NE(zero.value, negativeZero.value);
    EXPECT_NE(zero.value, tiny.value);
}

// The threads share a pass's work only where the result cannot depend on
// the order; the scenes that storm, where a pass's parts interleave most,
// must give every body the same bits after every frame, and test the same
// pairs, on 1, 2 and 4 threads (4 more than this machine's cores). The
// storm's frames run to its first storms.
TEST(ThreadedStep, StormsGiveTheSameTrajectoriesOnOneTwoAndFourThreads) {
    for (auto [scene, frames] : {std::pair{"pyramid", 100}, std::pair{"ragdoll_storm", 70}}) {
        if (sanitizedBuild && std::string(scene) == "ragdoll_storm") continue;  // the pyramid suffices there
        GoldenResult alone = runScene(scene, frames, 1);
        for (int threads : {2, 4}) {
            GoldenResult shared = runScene(scene, frames, threads);
            EXPECT_EQ(shared.line(scene), alone.line(scene)) << threads << " threads";
        }
    }
    setStepThreads(1);
}

// Watching storms counts the late corrections beside the step: every bit of
// the trajectories stays, on one thread or two, and the busiest pairs and
// joints are named with the file and line of each body.
TEST(ThreadedStep, WatchingStormsChangesNoBitAndNamesWhatCorrectedMost) {
    if (sanitizedBuild) GTEST_SKIP() << "checked by the build without sanitizers";
    // Its first steps past 200 passes come between frames 70 and 120.
    GoldenResult plain = runScene("ragdoll_storm", 100, 1);
    for (int threads : {1, 2}) {
        StormRecord storms;
        GoldenResult watched = runScene("ragdoll_storm", 100, threads, &storms);
        EXPECT_EQ(watched.line("storm"), plain.line("storm")) << threads << " threads";
        ASSERT_FALSE(storms.corrections.empty());
        EXPECT_NE(storms.latestWorst.find("ragdoll_storm.ini:"), std::string::npos) << storms.latestWorst;
        EXPECT_GT(storms.latestWorstCount, 0u);
    }
    setStepThreads(1);
}

INSTANTIATE_TEST_SUITE_P(Scenes, Golden,
                         ::testing::Values("box_pour", "ragdolls", "chain", "pile", "discs", "pyramid",
                                           "ragdoll_storm"),
                         [](const auto& info) { return std::string(info.param); });

// The bundled content: the scene in rsc/ reads cleanly and keeps running,
// the example files load as dropped files, and every example in the
// world-format reference that says how many bodies it makes makes them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "files/diagnostics.h"
#include "files/reader.h"
#include "files/settings.h"
#include "sim/globals.h"
#include "sim/step.h"
#include "support/reset.h"

namespace {

const std::string sourceDir = VANTOR_SOURCE_DIR;
const std::string rscDir = sourceDir + "/rsc/";

// Every reader note goes here instead of stderr, so a test can insist on none.
class SceneTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetProcessState();
        diagnosticSink = &notes;
    }
    void TearDown() override { resetProcessState(); }

    std::ostringstream notes;
};

size_t bodiesIn(const World& world) {
    size_t count = 0;
    for (const auto& model : world.models) count += model->bodies.size();
    return count;
}

size_t bodiesInAllWorlds() {
    size_t count = 0;
    for (const auto& world : worlds) count += bodiesIn(*world);
    return count;
}

// The first non-finite number in any body's pose, velocity or outline, or "".
std::string firstNonFinite() {
    for (const auto& world : worlds)
        for (const auto& model : world->models)
            for (const auto& body : model->bodies) {
                const float pose[] = {body->x, body->y, body->angle, body->vx, body->vy, body->omega};
                for (float value : pose)
                    if (!std::isfinite(value)) return "pose of body \"" + body->name + "\"";
                for (const Shape& shape : body->shapes)
                    for (const Contour& contour : shape.curContours)
                        for (const Point& point : contour)
                            if (!std::isfinite(point.x) || !std::isfinite(point.y))
                                return "outline of body \"" + body->name + "\"";
            }
    return "";
}

void loadBundledScene() {
    ASSERT_TRUE(loadFilePath(rscDir + "engine.ini", rscDir));
    ASSERT_TRUE(loadFilePath(rscDir + "firstWorld.ini", rscDir));
}

std::vector<std::string> exampleFiles() {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(rscDir + "examples")) {
        if (entry.is_regular_file() && entry.path().extension() == ".ini") files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// An example of docs/world-format.md: the line "<!-- tested: N bodies -->",
// the notes the text says it gives ("<!-- note: example:LINE: ... -->", one
// a line, none for most), then a fenced block holding a whole world file.
struct DocExample {
    int line = 0;
    size_t bodies = 0;
    std::string notes;
    std::string text;
};

std::vector<DocExample> documentedExamples() {
    std::ifstream doc(sourceDir + "/docs/world-format.md");
    std::vector<DocExample> examples;
    std::string line;
    int number = 0;
    const std::string marker = "<!-- tested: ";
    while (std::getline(doc, line)) {
        ++number;
        if (line.rfind(marker, 0) != 0) continue;
        DocExample example;
        example.line = number;
        example.bodies = std::stoul(line.substr(marker.size()));
        const std::string noteMarker = "<!-- note: ";
        while (std::getline(doc, line) && line.rfind("```", 0) != 0) {
            ++number;
            if (line.rfind(noteMarker, 0) == 0 && line.ends_with(" -->"))
                example.notes +=
                    "vantor: " + line.substr(noteMarker.size(), line.size() - noteMarker.size() - 4) + "\n";
        }
        ++number;
        while (std::getline(doc, line) && line.rfind("```", 0) != 0) {
            ++number;
            example.text += line + "\n";
        }
        ++number;
        examples.push_back(example);
    }
    return examples;
}

}  // namespace

TEST_F(SceneTest, BundledSceneReadsWithoutASingleNote) {
    loadBundledScene();
    EXPECT_EQ(notes.str(), "");
    // A 1024 x 768 window, started windowed.
    EXPECT_EQ(viewWidth, 1024.0f);
    EXPECT_EQ(viewHeight, 768.0f);
    EXPECT_FALSE(fullscreen);
    ASSERT_FALSE(worlds.empty());
    for (const auto& world : worlds) {
        EXPECT_GT(bodiesIn(*world), 0u);
        EXPECT_LE(bodiesIn(*world), static_cast<size_t>(maxBodiesPerWorld)) << world->label;
    }
}

// The first minute (3000 frames) stays finite and writes no hard step into
// the overlay: a newcomer's first sight must not look like an error.
TEST_F(SceneTest, BundledSceneStaysFiniteAndCalmFor3000Frames) {
    loadBundledScene();
    std::string hardSteps;
    for (int frame = 1; frame <= 3000; ++frame) {
        stepAllWorlds({}, &hardSteps);
        ASSERT_EQ(hardSteps, "") << "after frame " << frame;
        if (frame % 100 == 0) {
            ASSERT_EQ(firstNonFinite(), "") << "after frame " << frame;
        }
    }
}

TEST_F(SceneTest, EveryExampleFileDropsIntoTheBundledSceneAndRuns) {
    std::vector<std::string> files = exampleFiles();
    ASSERT_GE(files.size(), 3u);
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        resetProcessState();
        diagnosticSink = &notes;
        notes.str("");
        loadBundledScene();
        size_t before = bodiesIn(*worlds[0]);
        // A dropped file joins the first world, as on the window.
        ASSERT_TRUE(readWorldPath(*worlds[0], file, rscDir + "examples/"));
        EXPECT_EQ(notes.str(), "");
        EXPECT_GT(bodiesIn(*worlds[0]), before);
        EXPECT_LE(bodiesIn(*worlds[0]), static_cast<size_t>(maxBodiesPerWorld));
        for (int frame = 0; frame < 300; ++frame) stepAllWorlds();
        EXPECT_EQ(firstNonFinite(), "");
    }
}

TEST_F(SceneTest, EveryTestedExampleInTheReferenceMakesTheBodiesAndNotesItSays) {
    std::vector<DocExample> examples = documentedExamples();
    ASSERT_GE(examples.size(), 6u) << "the markers in docs/world-format.md were not found";
    for (const DocExample& example : examples) {
        SCOPED_TRACE("docs/world-format.md line " + std::to_string(example.line));
        resetProcessState();
        diagnosticSink = &notes;
        notes.str("");
        std::istringstream input(example.text);
        // Names in the examples are relative to rsc/, as in firstWorld.ini.
        loadFile(input, rscDir, "example");
        EXPECT_EQ(notes.str(), example.notes);
        EXPECT_EQ(bodiesInAllWorlds(), example.bodies);
        for (int frame = 0; frame < 50; ++frame) stepAllWorlds();
        EXPECT_EQ(firstNonFinite(), "");
    }
}

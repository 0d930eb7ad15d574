// Dropped world files: read in order into the first world at the cursor,
// included files found through the prefix with forward slashes, the
// placement given back, and drops that bring nothing.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/dropped_files.h"
#include "app/input_state.h"
#include "files/diagnostics.h"
#include "mouse/cursor.h"
#include "sim/globals.h"
#include "support/reset.h"
#include "support/world_builder.h"

namespace {

// A model labelled `label` with one 20 by 20 box at (x, y) in file units.
std::string modelText(const std::string& label, float x, float y) {
    return "M {\n l " + label + "\n x= " + std::to_string(x) + " " + std::to_string(y) +
           "\n P {\n  g { x= 0 0 }\n  p { v -10 -10  v 10 -10  v 10 10  v -10 10 }\n }\n}\n";
}

class DroppedFiles : public ::testing::Test {
protected:
    void SetUp() override {
        resetProcessState();
        dir =
            std::filesystem::temp_directory_path() / ("vantor-drop-" + std::to_string(getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        std::filesystem::remove_all(dir);
        resetProcessState();
    }
    std::string write(const std::string& name, const std::string& text) {
        std::filesystem::path path = dir / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << text;
        return path.string();
    }
    float rootX(size_t world, size_t model) { return worlds[world]->models[model]->bodies.front()->x; }
    float rootY(size_t world, size_t model) { return worlds[world]->models[model]->bodies.front()->y; }

    std::filesystem::path dir;
};

TEST_F(DroppedFiles, FilesAreReadInOrderIntoTheFirstWorldAtTheCursor) {
    World& first = addWorld();
    first.placement.tx = 7.0f;
    addWorld();
    std::vector<std::string> files{write("one.ini", modelText("one", 0, 0)), write("two.ini", modelText("two", 10, 0)),
                                   write("three.ini", modelText("three", 0, -20))};
    moveCursor(Point{100.0f, 50.0f});
    onDropFiles(files);
    ASSERT_EQ(first.models.size(), 3u);
    EXPECT_TRUE(worlds[1]->models.empty());
    EXPECT_EQ(first.models[0]->label, "one");
    EXPECT_EQ(first.models[1]->label, "two");
    EXPECT_EQ(first.models[2]->label, "three");
    // Each measured from the cursor, on top of the world's own placement.
    EXPECT_FLOAT_EQ(rootX(0, 0), 107.0f);
    EXPECT_FLOAT_EQ(rootY(0, 0), 50.0f);
    EXPECT_FLOAT_EQ(rootX(0, 1), 117.0f);
    EXPECT_FLOAT_EQ(rootY(0, 2), 30.0f);
    EXPECT_EQ(first.placement.tx, 7.0f);
    EXPECT_EQ(first.placement.ty, 0.0f);
    EXPECT_EQ(stepContext.currentWorld, &first);
}

TEST_F(DroppedFiles, AtTheCentreAFileLandsWhereStartUpWouldPutIt) {
    World& first = addWorld();
    first.placement.ty = -3.0f;
    onDropFiles({write("one.ini", modelText("one", 20, 30))});
    EXPECT_FLOAT_EQ(rootX(0, 0), 20.0f);
    EXPECT_FLOAT_EQ(rootY(0, 0), 27.0f);
}

// The file is opened under its name as dropped, backslashes and all; what
// it includes is looked up with the backslashes turned into slashes.
TEST_F(DroppedFiles, IncludedFilesAreFoundThroughTheSlashedPrefix) {
    addWorld();
    std::string dropped = write("a\\b\\drop.ini", "f \"inner.txt\"\n");
    write("a/b/inner.txt", modelText("inner", 0, 0));
    ASSERT_NE(dropped.find('\\'), std::string::npos);
    onDropFiles({dropped});
    ASSERT_EQ(worlds[0]->models.size(), 1u);
    EXPECT_EQ(worlds[0]->models[0]->label, "inner");
}

TEST_F(DroppedFiles, PrefixKeepsTheLastSlashAndIsEmptyWithoutOne) {
    EXPECT_EQ(dropPrefix("C:\\a\\b\\world.ini"), "C:/a/b/");
    EXPECT_EQ(dropPrefix("/home/u/w.ini"), "/home/u/");
    EXPECT_EQ(dropPrefix("dir\\sub/w.ini"), "dir/sub/");
    EXPECT_EQ(dropPrefix("w.ini"), "");
    EXPECT_EQ(dropPrefix("trailing\\"), "trailing/");
}

TEST_F(DroppedFiles, UnreadableAndEmptyDropsAddNothingAndLeaveThePlacement) {
    World& first = addWorld();
    first.placement.tx = 0.1f;
    first.placement.ty = -0.3f;
    moveCursor(Point{0.7f, 1.9f});
    // A folder, a pipe nobody writes to, a device without end and a file
    // whose reading fails (EIO) each read as empty, and the drop goes on.
    std::filesystem::create_directory(dir / "folder.ini");
    ASSERT_EQ(mkfifo((dir / "pipe.ini").c_str(), 0600), 0);
    std::ostringstream notes;
    diagnosticSink = &notes;
    onDropFiles({(dir / "missing.ini").string(), (dir / "folder.ini").string(), (dir / "pipe.ini").string(),
                 "/dev/zero", "/proc/self/mem"});
    EXPECT_TRUE(first.models.empty());
    EXPECT_NE(notes.str().find("folder.ini\" is a folder; it reads as empty"), std::string::npos) << notes.str();
    EXPECT_NE(notes.str().find("pipe.ini\" is not a regular file"), std::string::npos) << notes.str();
    EXPECT_NE(notes.str().find("/proc/self/mem:1: cannot read further (Input/output error)"), std::string::npos)
        << notes.str();
    onDropFiles({write("after.ini", modelText("after", 0, 0))});
    EXPECT_EQ(first.models.size(), 1u);
    first.models.clear();
    // Float rounding of the shift and its removal.
    EXPECT_NEAR(first.placement.tx, 0.1f, 1e-6f);
    EXPECT_NEAR(first.placement.ty, -0.3f, 1e-6f);
    onDropFiles({});
    EXPECT_TRUE(first.models.empty());
}

TEST_F(DroppedFiles, WithNoWorldLoadedTheDropMakesAnEmptyFirstWorld) {
    onDropFiles({write("one.ini", modelText("one", 0, 0)), write("two.ini", modelText("two", 0, 0))});
    ASSERT_EQ(worlds.size(), 1u);
    EXPECT_EQ(worlds[0]->models.size(), 2u);
    EXPECT_EQ(stepContext.currentWorld, worlds[0].get());
}

}  // namespace

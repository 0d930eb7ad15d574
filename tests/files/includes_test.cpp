// File inclusion: prefixes, missing files, failures that stop one file only,
// and nesting limits.
#include <chrono>

#include "reader_fixture.h"

using IncludesTest = ReaderTest;

TEST_F(IncludesTest, IncludedNamesAreRelativeToTheIncludingFile) {
    ASSERT_TRUE(loadFilePath(dataPath("include_main.ini"), dataPrefix()));
    ASSERT_EQ(worlds.size(), 1u);
    World& world = *worlds[0];
    EXPECT_EQ(world.label, "main");
    Body& body = onlyBody(world);
    // sub/part.txt found square.txt and 'with blank.txt' next to itself.
    EXPECT_FLOAT_EQ(body.mass, 4.0f);
    EXPECT_EQ(body.name, "from a quoted name");
    // The missing include added nothing and said so once.
    EXPECT_EQ(noteCount(), 1) << notes.str();
    EXPECT_TRUE(noted("include_main.ini:8: cannot open included file")) << notes.str();
}

// An absolute name is used as it stands, not joined to the including
// file's folder; the names inside it stay relative to its own folder.
TEST_F(IncludesTest, AbsoluteNamesStandAsTheyAre) {
    ASSERT_EQ(dataPath("sub/part.txt").front(), '/');
    World& world = loadWorld("M { P { g { } f '" + dataPath("sub/part.txt") + "' } }", "somewhere/else/");
    EXPECT_FLOAT_EQ(onlyBody(world).mass, 4.0f);
    EXPECT_EQ(noteCount(), 0) << notes.str();
}

TEST_F(IncludesTest, BadNumberStopsOnlyTheIncludedFile) {
    ASSERT_TRUE(loadFilePath(dataPath("bad_number_main.ini"), dataPrefix()));
    Body& body = onlyBody(*worlds.at(0));
    // From the included file: the 2 × 2 square; the shape with the bad
    // number ends with one point (no area, left out); the third shape is
    // never read. The including file goes on with its unit square.
    ASSERT_EQ(body.shapes.size(), 2u);
    EXPECT_FLOAT_EQ(body.mass, 5.0f);
    EXPECT_TRUE(noted("bad_number_part.txt:2: cannot read a number")) << notes.str();
    EXPECT_TRUE(noted("has no area")) << notes.str();
}

TEST_F(IncludesTest, FileIncludingItselfStopsAtTheDepthLimit) {
    loadWorld("M { P { g { } f 'self_include.txt' } }", dataPrefix());
    Body& body = onlyBody(*worlds.at(0));
    EXPECT_EQ(body.shapes.size(), 32u);
    EXPECT_TRUE(noted("nested deeper than 32"));
}

TEST_F(IncludesTest, FileIncludingItselfTwiceEndsSoon) {
    auto start = std::chrono::steady_clock::now();
    loadWorld("M { P { g { } f 'twice_include.txt' } }", dataPrefix());
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 20.0);
    EXPECT_TRUE(noted("further problems in this read are not reported"));
    EXPECT_LE(onlyBody(*worlds.at(0)).shapes.size(), 4097u);
}

TEST_F(IncludesTest, DirectoriesAreNotIncluded) {
    World& world = loadWorld("f sub l after", dataPrefix());
    EXPECT_EQ(world.label, "after");
    EXPECT_TRUE(noted("cannot open included file"));
}

TEST_F(IncludesTest, NamesWithANulAndFilesThatFailToReadAddNothing) {
    // "sub/\0x" would open the folder "sub/"; the note shows the NUL escaped.
    // /proc/self/mem opens but answers every read with EIO.
    World& world = loadWorld(std::string("f 'sub/\0x' f /proc/self/mem l after", 35));
    EXPECT_EQ(world.label, "after");
    EXPECT_TRUE(noted("file name \"sub/\\0x\" holds a NUL byte; skipped")) << notes.str();
    EXPECT_TRUE(
        noted("/proc/self/mem:1: cannot read further (Input/output error); the rest of this file reads as empty"))
        << notes.str();
    EXPECT_EQ(notes.str().find('\0'), std::string::npos);
    EXPECT_EQ(noteCount(), 2) << notes.str();
}

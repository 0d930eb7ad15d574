// Top level: settings keys, world blocks, and what is not a key there.
#include <fstream>

#include "files/settings.h"
#include "reader_fixture.h"

using TopLevelTest = ReaderTest;

TEST_F(TopLevelTest, SettingsFileSetsSizesAndMode) {
    ASSERT_TRUE(loadFilePath(dataPath("settings.ini"), dataPrefix()));
    EXPECT_EQ(windowedWidth, 640.0f);
    EXPECT_EQ(windowedHeight, 480.0f);
    EXPECT_EQ(fullscreenWidth, 1024.0f);
    EXPECT_EQ(fullscreenHeight, 768.0f);
    EXPECT_EQ(viewWidth, 640.0f);
    EXPECT_EQ(viewHeight, 480.0f);
    EXPECT_FALSE(fullscreen);
    EXPECT_TRUE(worlds.empty());
}

TEST_F(TopLevelTest, StartModeCopiesThePairAsItStandsThen) {
    load("s w\nw 640 480\n");
    EXPECT_EQ(viewWidth, 0.0f);
    EXPECT_EQ(windowedWidth, 640.0f);
    load("f 1024 768 s f w p 100 0");
    EXPECT_TRUE(fullscreen);
    EXPECT_EQ(viewWidth, 1024.0f);
    EXPECT_EQ(viewHeight, 768.0f);
    EXPECT_FLOAT_EQ(windowedWidth, 100.0f);  // polar form
    EXPECT_NEAR(windowedHeight, 0.0f, 1e-5f);
    load("s x");  // no such mode: nothing changes
    EXPECT_TRUE(fullscreen);
}

TEST_F(TopLevelTest, UndefinedKeysConsumeNothing) {
    // "Q" is skipped alone; "l" after it is a key again.
    World& world = loadWorld("Q l 'named' M { Ql 'model' }");
    EXPECT_EQ(world.label, "named");
    EXPECT_TRUE(noted("key 'Q' means nothing in a world block"));
    EXPECT_TRUE(noted("key 'Q' means nothing in a model block"));
}

TEST_F(TopLevelTest, SlashIsNotACommentAtTheTopLevel) {
    // "s" takes "e" as its mode; "w" then cannot read "indow" and the file
    // stops, so the last line is never read.
    load("/ set window\nw 800 600\n");
    EXPECT_EQ(windowedWidth, 0.0f);
    EXPECT_TRUE(noted("test.ini:1:"));
}

TEST_F(TopLevelTest, WorldsInFileOrderAndOtherTextSkipped) {
    load("");
    EXPECT_TRUE(worlds.empty());
    load("This text holds no key: 123 {} ( ) !\nW { l first } W { l second }");
    ASSERT_EQ(worlds.size(), 2u);
    EXPECT_EQ(worlds[0]->label, "first");
    EXPECT_EQ(worlds[1]->label, "second");
    EXPECT_EQ(stepContext.currentWorld, worlds[1].get());
    load("W { }");
    EXPECT_EQ(worlds.size(), 3u);
    EXPECT_TRUE(worlds[2]->models.empty());
}

TEST_F(TopLevelTest, BadNumberStopsTheFileButKeepsWhatWasRead) {
    load("w 640 480\nf 1024 x\ns w\nW { }");
    EXPECT_EQ(windowedWidth, 640.0f);
    EXPECT_EQ(fullscreenWidth, 0.0f);
    EXPECT_EQ(viewWidth, 0.0f);
    EXPECT_TRUE(worlds.empty());
}

TEST_F(TopLevelTest, MissingFileReadsAsEmpty) {
    EXPECT_FALSE(loadFilePath(dataPath("no_such_file.ini"), dataPrefix()));
    std::ifstream closed;
    loadFile(closed, "");
    EXPECT_TRUE(worlds.empty());
}

TEST_F(TopLevelTest, WorldReadIntoAnExistingWorldMakesItCurrent) {
    load("W { l first } W { l second }");
    World& first = *worlds[0];
    std::istringstream dropped(squareBody(0, 0).insert(0, "M { ") + " }");
    readWorld(first, dropped, "");
    EXPECT_EQ(stepContext.currentWorld, &first);
    EXPECT_EQ(first.models.size(), 1u);
    EXPECT_TRUE(readWorldPath(first, dataPath("sub/square.txt"), dataPrefix() + "sub/"));
    EXPECT_FALSE(readWorldPath(first, dataPath("none.txt"), dataPrefix()));
}

// Start-up order and the paced loop, driven by the scripted platform.
#include <gtest/gtest.h>

#include "app/input_state.h"
#include "mouse/cursor.h"
#include "app/main_loop.h"
#include "fake_platform.h"
#include "files/settings.h"
#include "render/window.h"
#include "support/reset.h"

namespace {

class MainLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetProcessState();
        actions.readFile = [this](const std::string& path, const std::string& prefix) {
            platform.calls.push_back("read " + path + " " + prefix);
            if (path == options.settingsFile) {
                viewWidth = settingsWidth;
                viewHeight = settingsHeight;
            }
        };
        actions.stepAllWorlds = [this] {
            platform.calls.push_back("step");
            platform.now += stepCost;
        };
    }

    int run() { return runProgram(platform, options, actions); }

    FakePlatform platform;
    RunOptions options;
    ProgramActions actions;
    float settingsWidth = 640.9f, settingsHeight = 480.9f;
    int64_t stepCost = 0;
};

TEST_F(MainLoopTest, StartsUpInOrderAndEndsOnQuitWithZero) {
    platform.queue(wm::close);
    EXPECT_EQ(run(), 0);

    long settings = platform.indexOf("read rsc/engine.ini rsc/");
    long window = platform.indexOf("registerWindowClass");
    long font = platform.indexOf("buildFont");
    long world = platform.indexOf("read rsc/firstWorld.ini rsc/");
    long firstStep = platform.indexOf("step");
    ASSERT_GE(settings, 0);
    EXPECT_LT(settings, window);
    EXPECT_LT(platform.indexOf("setupGLState"), font);
    EXPECT_LT(font, world);
    EXPECT_LT(world, firstStep);
    // The mark is read after the world, before the first pass.
    EXPECT_EQ(platform.calls[static_cast<size_t>(world) + 1], "clock");

    // The settings' size, truncated, and the design's title.
    ASSERT_EQ(platform.windows.size(), 1u);
    EXPECT_EQ(platform.windows[0].title, "Vantor");
    EXPECT_EQ(platform.windows[0].width, 640);
    EXPECT_EQ(platform.windows[0].height, 480);
    EXPECT_EQ(platform.pixelFormats[0].colourBits, 32);

    // WM_CLOSE's pass still steps and draws; the quit ends the next one at once.
    EXPECT_EQ(platform.count("step"), 1u);
    EXPECT_EQ(platform.frames, 1);
}

TEST_F(MainLoopTest, WindowFailureEndsWithZeroBeforeTheWorld) {
    platform.failing.insert("createWindow");
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(platform.count("read rsc/firstWorld.ini rsc/"), 0u);
    EXPECT_EQ(platform.count("buildFont"), 0u);
    EXPECT_EQ(platform.count("step"), 0u);
}

TEST_F(MainLoopTest, HandlesOneMessagePerPass) {
    platform.queue(wm::keyDown, vk::j);
    platform.queue(wm::keyDown, vk::k);
    platform.queue(wm::keyUp, vk::j);
    platform.queue(wm::close);
    run();
    // Four messages, four passes, then the quit.
    EXPECT_EQ(platform.count("step"), 4u);
    EXPECT_EQ(platform.frames, 4);
    EXPECT_EQ(keys[vk::j], 0);
    EXPECT_EQ(keys[vk::k], 1);
}

TEST_F(MainLoopTest, F1StopsTheStepButNotTheDrawing) {
    platform.queue(wm::keyDown, vk::f1);
    platform.queue(wm::mouseMove, 0, packLParam(10, 20));
    platform.queue(wm::keyUp, vk::f1);
    platform.queue(wm::close);
    run();
    // Only the passes after F1 is released step.
    EXPECT_EQ(platform.count("step"), 2u);
    EXPECT_EQ(platform.frames, 4);
    EXPECT_FLOAT_EQ(mousePos.x, 10.0f - 320.0f);
}

TEST_F(MainLoopTest, SleepsForTheRestOfTheFrame) {
    stepCost = 5;
    platform.queue(wm::activate);
    platform.queue(wm::close);
    run();
    // Pass 1 measures from the start-up mark: 5 ms of stepping leave 15.
    // Pass 2 measures from pass 1's mark, before its 15 ms sleep: 15 + 5 = 20.
    ASSERT_EQ(platform.sleeps.size(), 2u);
    EXPECT_EQ(platform.sleeps[0], 15);
    EXPECT_EQ(platform.sleeps[1], 0);
}

TEST_F(MainLoopTest, ALatePassDoesNotCatchUp) {
    stepCost = 30;
    platform.queue(wm::activate);
    platform.queue(wm::activate);
    platform.queue(wm::close);
    run();
    ASSERT_EQ(platform.sleeps.size(), 3u);
    for (int64_t sleep : platform.sleeps) EXPECT_EQ(sleep, 0);
}

TEST_F(MainLoopTest, HeldKeysAddDelaysAndF3Wins) {
    stepCost = 20;  // no frame time left, so the sleeps are the key delays alone
    platform.queue(wm::keyDown, vk::f2);
    platform.queue(wm::keyDown, vk::s);
    platform.queue(wm::keyUp, vk::f2);
    platform.queue(wm::keyDown, vk::f3);
    platform.queue(wm::keyDown, vk::f2);
    platform.queue(wm::close);
    run();
    // F2; F2 + S; S; then F3 (with S, and then F2 too): no sleep at all.
    ASSERT_EQ(platform.sleeps.size(), 3u);
    EXPECT_EQ(platform.sleeps[0], 150);
    EXPECT_EQ(platform.sleeps[1], 200);
    EXPECT_EQ(platform.sleeps[2], 50);
    EXPECT_EQ(platform.frames, 6);
}

TEST_F(MainLoopTest, QuitEndsThePassAtOnce) {
    platform.messages.push_back(Message{0, wm::quit, 3, 0});
    EXPECT_EQ(runMainLoop(platform, actions, 0), 0);
    EXPECT_EQ(platform.count("step"), 0u);
    EXPECT_EQ(platform.frames, 0);
}

TEST_F(MainLoopTest, AnEmptyQueueStillStepsAndDraws) {
    int passes = 0;
    actions.stepAllWorlds = [&] {
        if (++passes == 3) platform.queue(wm::close);
    };
    runMainLoop(platform, actions, platform.now);
    EXPECT_EQ(passes, 4);
    EXPECT_EQ(platform.frames, 4);
}

}  // namespace

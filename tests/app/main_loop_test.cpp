// Start-up order and the paced loop, driven by the scripted window system.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/input_state.h"
#include "app/main_loop.h"
#include "fake_window_system.h"
#include "files/settings.h"
#include "mouse/cursor.h"
#include "render/window.h"
#include "support/reset.h"

namespace {

class MainLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetProcessState();
        actions.readFile = [this](const std::string& path, const std::string& prefix) {
            windowSystem.events.push_back("read " + path + " " + prefix);
            if (path == options.settingsFile) {
                viewWidth = settingsWidth;
                viewHeight = settingsHeight;
            }
        };
        actions.stepAllWorlds = [this](const StepKeys&, std::string*) {
            windowSystem.events.push_back("step");
            windowSystem.now += stepCost;
        };
    }

    int run() { return runProgram(windowSystem, renderer, options, actions); }
    long indexOf(const std::string& event) const {
        auto found = std::find(windowSystem.events.begin(), windowSystem.events.end(), event);
        return found == windowSystem.events.end() ? -1 : found - windowSystem.events.begin();
    }

    FakeWindowSystem windowSystem;
    FakeRenderer renderer{windowSystem.events};
    Shell shell{windowSystem, renderer};
    RunOptions options;
    ProgramActions actions;
    float settingsWidth = 640.9f, settingsHeight = 480.9f;
    int64_t stepCost = 0;
};

TEST_F(MainLoopTest, StartsUpInOrderAndEndsOnQuitWithZero) {
    windowSystem.queue(wm::close);
    EXPECT_EQ(run(), 0);

    long settings = indexOf("read rsc/engine.ini rsc/");
    long window = indexOf("open");
    long font = indexOf("font");
    long world = indexOf("read rsc/firstWorld.ini rsc/");
    long firstStep = indexOf("step");
    ASSERT_GE(settings, 0);
    EXPECT_LT(settings, window);
    EXPECT_LT(indexOf("state"), font);
    EXPECT_LT(font, world);
    EXPECT_LT(world, firstStep);

    // The settings' size, truncated, and the program's title.
    ASSERT_EQ(windowSystem.requests.size(), 1u);
    EXPECT_EQ(windowSystem.requests[0].title, "Vantor");
    EXPECT_EQ(windowSystem.requests[0].width, 640);
    EXPECT_EQ(windowSystem.requests[0].height, 480);
    EXPECT_EQ(windowSystem.requests[0].pixelFormat.colourBits, 32);

    // WM_CLOSE's pass still steps and draws; the quit ends the next one at once.
    EXPECT_EQ(windowSystem.count("step"), 1u);
    EXPECT_EQ(windowSystem.count("draw"), 1u);
    EXPECT_EQ(windowSystem.count("swap"), 1u);
}

TEST_F(MainLoopTest, WindowFailureEndsWithOneBeforeTheWorldAndNoIsAChoice) {
    windowSystem.failingStep = WindowStep::createWindow;
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(windowSystem.count("read rsc/firstWorld.ini rsc/"), 0u);
    EXPECT_EQ(windowSystem.count("font"), 0u);
    EXPECT_EQ(windowSystem.count("step"), 0u);

    // No to a window in place of the refused full screen ends with 0.
    windowSystem = FakeWindowSystem{};
    windowSystem.failingStep = WindowStep::displayMode;
    windowSystem.questionAnswer = BoxAnswer::no;
    fullscreen = true;
    settingsWidth = 1024.0f;
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(windowSystem.count("step"), 0u);
}

TEST_F(MainLoopTest, HeadlessOpensNoWindowAndStepsTheFramesAskedFor) {
    options.headless = true;
    options.frames = 3;
    options.heldKeys = {vk::j};
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(windowSystem.count("open"), 0u);
    EXPECT_EQ(windowSystem.count("font"), 0u);
    EXPECT_EQ(windowSystem.count("step"), 3u);
    EXPECT_EQ(windowSystem.count("draw"), 0u);
    EXPECT_EQ(keys[vk::j], 1);
}

TEST_F(MainLoopTest, HandlesOneMessagePerPass) {
    windowSystem.queue(wm::keyDown, vk::j);
    windowSystem.queue(wm::keyDown, vk::k);
    windowSystem.queue(wm::keyUp, vk::j);
    windowSystem.queue(wm::close);
    run();
    // Four messages, four passes, then the quit.
    EXPECT_EQ(windowSystem.count("step"), 4u);
    EXPECT_EQ(windowSystem.count("draw"), 4u);
    EXPECT_EQ(keys[vk::j], 0);
    EXPECT_EQ(keys[vk::k], 1);
}

TEST_F(MainLoopTest, F1StopsTheStepButNotTheDrawing) {
    windowSystem.queue(wm::keyDown, vk::f1);
    windowSystem.queue(wm::mouseMove, 0, packLParam(10, 20));
    windowSystem.queue(wm::keyUp, vk::f1);
    windowSystem.queue(wm::close);
    run();
    // Only the passes after F1 is released step.
    EXPECT_EQ(windowSystem.count("step"), 2u);
    EXPECT_EQ(windowSystem.count("draw"), 4u);
    EXPECT_FLOAT_EQ(mousePos.x, 10.0f - 320.0f);
}

TEST_F(MainLoopTest, EveryPassSleepsForTheRestOfItsFrame) {
    stepCost = 5;
    windowSystem.queue(wm::activate);
    windowSystem.queue(wm::activate);
    windowSystem.queue(wm::close);
    int64_t start = windowSystem.now;
    run();
    // Each pass measures from the end of the last sleep: 5 ms of stepping
    // leave 15, so every pass takes 20 ms.
    EXPECT_EQ(windowSystem.sleeps, (std::vector<int64_t>{15, 15, 15}));
    EXPECT_EQ(windowSystem.now - start, 3 * 20);
}

TEST_F(MainLoopTest, ALatePassDoesNotCatchUp) {
    stepCost = 30;
    windowSystem.queue(wm::activate);
    windowSystem.queue(wm::activate);
    windowSystem.queue(wm::close);
    run();
    ASSERT_EQ(windowSystem.sleeps.size(), 3u);
    for (int64_t sleep : windowSystem.sleeps) EXPECT_EQ(sleep, 0);
}

TEST_F(MainLoopTest, HeldKeysAddDelaysAndF3Wins) {
    stepCost = 20;  // no frame time left, so the sleeps are the key delays alone
    windowSystem.queue(wm::keyDown, vk::f2);
    windowSystem.queue(wm::keyDown, vk::s);
    windowSystem.queue(wm::keyUp, vk::f2);
    windowSystem.queue(wm::keyDown, vk::f3);
    windowSystem.queue(wm::keyDown, vk::f2);
    windowSystem.queue(wm::close);
    run();
    // F2; F2 + S; S; then F3 (with S, and then F2 too): no sleep at all.
    ASSERT_EQ(windowSystem.sleeps.size(), 3u);
    EXPECT_EQ(windowSystem.sleeps[0], 150);
    EXPECT_EQ(windowSystem.sleeps[1], 200);
    EXPECT_EQ(windowSystem.sleeps[2], 50);
    EXPECT_EQ(windowSystem.count("draw"), 6u);
}

TEST_F(MainLoopTest, QuitEndsThePassAtOnce) {
    windowSystem.messages.push_back(Message{wm::quit, 3, 0, {}});
    EXPECT_EQ(runMainLoop(shell, windowSystem, actions, 0), 0);
    EXPECT_EQ(windowSystem.count("step"), 0u);
}

TEST_F(MainLoopTest, AnEmptyQueueStillSteps) {
    int passes = 0;
    actions.stepAllWorlds = [&](const StepKeys&, std::string*) {
        if (++passes == 3) windowSystem.queue(wm::close);
    };
    runMainLoop(shell, windowSystem, actions, windowSystem.now);
    EXPECT_EQ(passes, 4);
}

}  // namespace

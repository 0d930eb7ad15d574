// Start-up order and the paced loop, driven by the scripted window system.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/input_state.h"
#include "app/main_loop.h"
#include "app/time_control.h"
#include "app/world_reload.h"
#include "assets/textures.h"
#include "fake_window_system.h"
#include "files/diagnostics.h"
#include "files/reader.h"
#include "files/settings.h"
#include "hostile/program_run.h"
#include "mouse/cursor.h"
#include "render/window.h"
#include "sim/globals.h"
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

TEST_F(MainLoopTest, WindowFailureOrNoEndsWithOneBeforeTheWorld) {
    windowSystem.failingStep = WindowStep::createWindow;
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(windowSystem.count("read rsc/firstWorld.ini rsc/"), 0u);
    EXPECT_EQ(windowSystem.count("font"), 0u);
    EXPECT_EQ(windowSystem.count("step"), 0u);

    // No to a window in place of the refused full screen: "Program Will
    // Now Close.", and it does, as a run that did not do what it was asked.
    windowSystem = FakeWindowSystem{};
    windowSystem.failingStep = WindowStep::displayMode;
    windowSystem.questionAnswer = BoxAnswer::no;
    fullscreen = true;
    settingsWidth = 1024.0f;
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(windowSystem.count("step"), 0u);
}

// Alt+Enter to a full screen the display refuses, answered No (or a window
// that cannot be made again): no window is left, so the run ends at once,
// with 1, its dump and its record written as at any close.
TEST_F(MainLoopTest, NoAtAltEnterEndsTheRunWithOneAndItsFiles) {
    ScratchDirectory scratch("no-at-alt-enter");
    options.dumpFile = (scratch.path / "dump.json").string();
    options.recordFile = (scratch.path / "record.txt").string();
    for (BoxAnswer answer : {BoxAnswer::no, BoxAnswer::failed}) {
        resetProcessState();
        windowSystem = FakeWindowSystem{};
        windowSystem.failingStep = WindowStep::displayMode;
        windowSystem.questionAnswer = answer;
        windowSystem.queue(wm::sysKeyDown, vk::returnKey);
        for (int i = 0; i < 5; ++i) windowSystem.queue(wm::keyDown, vk::j);
        std::filesystem::remove(options.dumpFile);
        EXPECT_EQ(run(), 1);
        EXPECT_EQ(windowSystem.boxes.back().text, "Program Will Now Close.");
        // The toggle's pass and the five queued keys; the quit comes after them.
        EXPECT_EQ(windowSystem.count("step"), 6u);
        EXPECT_EQ(windowSystem.count("draw"), 0u);
        EXPECT_TRUE(std::filesystem::exists(options.dumpFile));
        std::ifstream record(options.recordFile);
        std::string text((std::istreambuf_iterator<char>(record)), std::istreambuf_iterator<char>());
        EXPECT_NE(text.find("0 WM_SYSKEYDOWN 0xD"), std::string::npos) << text;
        EXPECT_NE(text.find("6 WM_QUIT"), std::string::npos) << text;
    }
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

// P holds time until P again; O steps once per press, repeats included,
// and not at all while time runs.
TEST_F(MainLoopTest, PPausesAndOStepsOneFramePerPress) {
    windowSystem.queue(wm::keyDown, vk::o);
    windowSystem.queue(wm::keyUp, vk::o);
    windowSystem.queue(wm::keyDown, vk::p);
    windowSystem.queue(wm::keyDown, vk::p);  // a repeat does not resume
    windowSystem.queue(wm::keyUp, vk::p);
    windowSystem.queue(wm::keyDown, vk::o);
    windowSystem.queue(wm::keyDown, vk::o);  // a repeat steps again
    windowSystem.queue(wm::keyUp, vk::o);
    windowSystem.queue(wm::mouseMove, 0, packLParam(10, 20));
    windowSystem.queue(wm::keyDown, vk::p);
    windowSystem.queue(wm::close);
    run();
    EXPECT_EQ(windowSystem.count("draw"), 11u);
    // Two passes before the pause, the two O presses, the two after P.
    EXPECT_EQ(windowSystem.count("step"), 6u);
    std::vector<std::string> expected{"",       "",       "paused", "paused", "paused", "paused",
                                      "paused", "paused", "paused", "",       ""};
    EXPECT_EQ(renderer.statuses, expected);
    EXPECT_FLOAT_EQ(mousePos.x, 10.0f - 320.0f);
}

// R reads the settings and the world again, as a change under --watch
// does; the time scale and the held keys stay; a repeat does not restart.
TEST_F(MainLoopTest, RReadsTheWorldsAgainAndKeepsTimeScaleAndKeys) {
    windowSystem.queue(wm::keyDown, vk::k);
    windowSystem.queue(wm::keyDown, vk::r);
    windowSystem.queue(wm::keyDown, vk::r);
    windowSystem.queue(wm::close);
    timeScale = 2.5f;
    run();
    EXPECT_EQ(windowSystem.count("read rsc/engine.ini rsc/"), 2u);
    EXPECT_EQ(windowSystem.count("read rsc/firstWorld.ini rsc/"), 2u);
    EXPECT_LT(indexOf("read rsc/firstWorld.ini rsc/"), indexOf("step"));
    EXPECT_EQ(timeScale, 2.5f);
    EXPECT_EQ(keys[vk::k], 1);
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

void writeFile(const std::filesystem::path& path, const std::string& text) { std::ofstream(path) << text; }

// --watch with the real reader: a world file whose include and texture are
// replaced under the running loop is read again once, at the next poll, and
// only the worlds change.
TEST_F(MainLoopTest, WatchReadsTheWorldsAgainWhenTheirFilesChange) {
    ScratchDirectory scratch("watch");
    const std::filesystem::path& dir = scratch.path;
    writeFile(dir / "settings.ini", "w 400 300\ns w\n");
    writeFile(dir / "world.ini", "W { l watched  f part.ini }\n");
    const std::string box =
        "M { l box  P { g { x= 0 0 }  p { v -8 -8  v 8 -8  v 8 8  v -8 8 }"
        "  t { t sign.tga  p { tv 0 0 pv -8 -8  tv 8 0 pv 8 -8  tv 8 8 pv 8 8 } } } }\n";
    writeFile(dir / "part.ini", box);
    std::filesystem::copy_file(VANTOR_TEST_DATA "/gui/yellow.tga", dir / "sign.tga");
    options.settingsFile = (dir / "settings.ini").string();
    options.worldFile = (dir / "world.ini").string();
    options.settingsPrefix = options.worldPrefix = dir.string() + "/";
    options.watch = true;
    std::ostringstream notes;
    diagnosticSink = &notes;

    actions.readFile = [&](const std::string& path, const std::string& prefix) {
        windowSystem.events.push_back("read " + path);
        loadFilePath(path, prefix);
    };
    long pass = 0;
    int64_t changedAt = 0, reloadedAt = 0;
    actions.stepAllWorlds = [&](const StepKeys&, std::string*) {
        pass += 1;
        if (pass == 3) {
            // What the user did meanwhile: moved the mouse, sped time up,
            // held K, resized the window.
            moveCursor({5.0f, 7.0f});
            timeScale = 2.0f;
            keys[vk::k] = 1;
            viewWidth = 555.0f;
        }
        if (pass == 5) {
            writeFile(dir / "part.ini",
                      box + "M { l 'second box'  x= 40 0  P { g { x= 0 0 }  p { v -8 -8  v 8 -8  v 8 8 } } }\n");
            std::filesystem::copy_file(VANTOR_TEST_DATA "/files/checker_64x32.tga", dir / "sign.tga",
                                       std::filesystem::copy_options::overwrite_existing);
            changedAt = windowSystem.now;
        }
        if (reloadedAt == 0 && worlds.size() == 1 && worlds[0]->models.size() == 2) {
            reloadedAt = windowSystem.now;
            windowSystem.postQuitMessage(0);
        }
        if (pass == 500) windowSystem.postQuitMessage(0);
    };
    int64_t start = windowSystem.now;
    EXPECT_EQ(run(), 0);

    ASSERT_NE(reloadedAt, 0) << notes.str();
    EXPECT_EQ(windowSystem.count("read " + options.worldFile), 2u);
    EXPECT_EQ(windowSystem.count("open"), 1u);
    // Not before the poll, and at the first poll after the change.
    EXPECT_GE(reloadedAt - start, watchPeriodMs);
    EXPECT_LE(reloadedAt - changedAt, watchPeriodMs + 2 * framePeriodMs);

    ASSERT_EQ(worlds.size(), 1u);
    const World& world = *worlds[0];
    EXPECT_EQ(world.label, "watched");
    EXPECT_EQ(world.models[1]->label, "second box");
    EXPECT_EQ(world.stepCount, 0);
    EXPECT_EQ(stepContext.currentWorld, &world);
    EXPECT_FLOAT_EQ(world.cursorEnd.point.x, 5.0f);
    EXPECT_FLOAT_EQ(world.cursorEnd.point.y, 7.0f);
    // The replaced image is loaded again, and the new world's texture
    // coordinates are measured by its size.
    const TextureRecord& texture = *world.models[0]->bodies[0]->textures[0]->texture;
    EXPECT_EQ(texture.width, 64u);
    EXPECT_EQ(texture.height, 32u);
    EXPECT_FLOAT_EQ(world.models[0]->bodies[0]->textures[0]->texCoords[1].x, 8.0f / 64.0f);
    // What is not the worlds' stays.
    EXPECT_EQ(timeScale, 2.0f);
    EXPECT_EQ(keys[vk::k], 1);
    EXPECT_EQ(viewWidth, 555.0f);

    EXPECT_NE(notes.str().find((dir / "part.ini").string()), std::string::npos) << notes.str();
    EXPECT_NE(notes.str().find(" changed; reading the worlds again\n"), std::string::npos) << notes.str();
    EXPECT_NE(notes.str().find("vantor: 1 world read again, 0 notes\n"), std::string::npos) << notes.str();
}

}  // namespace

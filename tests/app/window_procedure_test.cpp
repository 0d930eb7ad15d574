// The window procedure against synthetic messages: key table, cursor
// mapping, what reaches the default procedure, resize and close, the mouse
// buttons reaching the grab fan-out, drops, and the Alt+Enter toggle.
#include <gtest/gtest.h>

#include <fstream>
#include <limits>

#include "app/input_state.h"
#include "app/state_dump.h"
#include "app/time_control.h"
#include "app/window_procedure.h"
#include "fake_window_system.h"
#include "files/settings.h"
#include "hostile/program_run.h"
#include "mouse/cursor.h"
#include "mouse/mouse_fixture.h"
#include "render/window.h"
#include "support/reset.h"

namespace {

class WindowProcedureTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetProcessState();
        viewWidth = 800.0f;
        viewHeight = 600.0f;
    }
    intptr_t send(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0) {
        return windowProcedure(shell, Message{message, wParam, lParam, {}});
    }
    FakeWindowSystem platform;
    FakeRenderer renderer{platform.events};
    Shell shell{platform, renderer};
};

TEST_F(WindowProcedureTest, KeyMessagesSetAndClearTheTable) {
    EXPECT_EQ(send(wm::keyDown, vk::k), 0);
    EXPECT_EQ(keys[vk::k], 1);
    EXPECT_EQ(send(wm::keyUp, vk::k), 0);
    EXPECT_EQ(keys[vk::k], 0);
    // A code beyond the table wraps into it instead of writing past it.
    send(wm::keyDown, 0x100 + vk::j);
    EXPECT_EQ(keys[vk::j], 1);
}

TEST_F(WindowProcedureTest, SystemKeysNeverEnterTheTableNorTheDefault) {
    EXPECT_EQ(send(wm::sysKeyDown, vk::menu), 0);
    EXPECT_EQ(send(wm::sysKeyDown, vk::f10), 0);
    EXPECT_EQ(send(wm::sysKeyDown, 0x73), 0);  // Alt+F4 closes nothing
    EXPECT_EQ(keys[vk::menu], 0);
    EXPECT_EQ(keys[vk::f10], 0);
    EXPECT_EQ(keys[0x73], 0);
    EXPECT_EQ(send(wm::activate, 1), 0);
    EXPECT_TRUE(platform.defaulted.empty());
    EXPECT_FALSE(platform.quitPosted);
}

// K pressed, then Alt, then K released: the release is a system key, and
// must still clear K, or the time scale keeps growing after a plain release.
TEST_F(WindowProcedureTest, AKeyReleasedWhileAltIsHeldIsCleared) {
    send(wm::keyDown, vk::k);
    send(wm::sysKeyDown, vk::menu);
    send(wm::sysKeyUp, vk::k);
    EXPECT_EQ(keys[vk::k], 0);
    send(wm::sysKeyUp, vk::menu);
    EXPECT_EQ(keys[vk::menu], 0);
    // The system key-ups still get their default processing.
    ASSERT_EQ(platform.defaulted.size(), 2u);
    EXPECT_EQ(platform.defaulted[0].message, wm::sysKeyUp);
}

TEST_F(WindowProcedureTest, MouseMovesMapToCentredWorldCoordinates) {
    send(wm::mouseMove, 0, packLParam(0, 0));
    EXPECT_FLOAT_EQ(mousePos.x, -400.0f);
    EXPECT_FLOAT_EQ(mousePos.y, 300.0f);
    send(wm::mouseMove, 0, packLParam(400, 300));
    EXPECT_FLOAT_EQ(mousePos.x, 0.0f);
    EXPECT_FLOAT_EQ(mousePos.y, 0.0f);
    // Halves are unsigned: a point left of the client area reads as far right.
    send(wm::mouseMove, 0, packLParam(-1, 0));
    EXPECT_FLOAT_EQ(mousePos.x, 65535.0f - 400.0f);
    // A settings file's size past any display's (3e38) would put the cursor,
    // and every spring it pulls, out of the float range.
    viewWidth = 3e38f;
    viewHeight = std::numeric_limits<float>::quiet_NaN();
    send(wm::mouseMove, 0, packLParam(10, 20));
    EXPECT_FLOAT_EQ(mousePos.x, 10.0f - largestViewSize * 0.5f);
    EXPECT_FLOAT_EQ(mousePos.y, -20.0f);
}

TEST_F(WindowProcedureTest, ResizeChangesTheViewAndTheMouseMapping) {
    ASSERT_EQ(openWindow(platform, renderer, windowTitle, 800, 600, 32, false), WindowOpening::opened);
    EXPECT_EQ(send(wm::size, 0, packLParam(1024, 768)), 0);
    ASSERT_EQ(renderer.views.size(), 2u);
    EXPECT_EQ(renderer.views[1].right, 512);
    EXPECT_FLOAT_EQ(viewWidth, 1024.0f);
    send(wm::mouseMove, 0, packLParam(0, 0));
    EXPECT_FLOAT_EQ(mousePos.x, -512.0f);
    EXPECT_FLOAT_EQ(mousePos.y, 384.0f);
}

TEST_F(WindowProcedureTest, CloseAsksTheLoopToQuitWithZero) {
    EXPECT_EQ(send(wm::close), 0);
    EXPECT_TRUE(platform.quitPosted);
    EXPECT_EQ(platform.quitCode, 0);
}

TEST_F(WindowProcedureTest, ScreenSaverAndMonitorPowerAreRefused) {
    EXPECT_EQ(send(wm::sysCommand, sc::screenSave), 0);
    EXPECT_EQ(send(wm::sysCommand, sc::monitorPower), 0);
    EXPECT_TRUE(platform.defaulted.empty());
    // Any other command is the default procedure's, compared whole.
    EXPECT_EQ(send(wm::sysCommand, sc::screenSave | 1), platform.defaultResult);
    EXPECT_EQ(platform.defaulted.size(), 1u);
}

TEST_F(WindowProcedureTest, MouseButtonsAndDropsEndHere) {
    for (uint32_t button : {wm::leftButtonDown, wm::leftButtonUp, wm::rightButtonDown, wm::rightButtonUp})
        EXPECT_EQ(send(button, 0, packLParam(1, 2)), 0);
    // Buttons carry no position into the program: only moves do.
    EXPECT_FLOAT_EQ(mousePos.x, 0.0f);
    EXPECT_EQ(send(wm::dropFiles, 1), 0);
    EXPECT_TRUE(platform.defaulted.empty());
}

// The buttons go to the fan-out, which picks at the last mouse move (the
// button's own lParam and its MK_CONTROL flag are not read).
TEST_F(WindowProcedureTest, ButtonsGrabPinAndReleaseAtTheLastMovePosition) {
    World& world = addWorld();
    Body& left = addPickableBox(world, 40, 40, -100, 0);
    Body& right = addPickableBox(world, 40, 40, 100, 0);
    stepContext.currentWorld = &world;
    // A press before any move picks at the world origin: nothing there.
    send(wm::leftButtonDown, 0, packLParam(300, 300));
    EXPECT_TRUE(world.springs.empty());
    send(wm::mouseMove, 0, packLParam(300, 300));  // world (-100, 0)
    send(wm::leftButtonDown, 0, packLParam(500, 300));
    ASSERT_EQ(left.grabs.size(), 1u);
    EXPECT_FLOAT_EQ(left.grabs.front().point.x, -100.0f);
    send(wm::leftButtonUp, 0x0008);  // MK_CONTROL, but Ctrl is not in the table
    EXPECT_TRUE(left.grabs.empty());
    send(wm::leftButtonDown);
    send(wm::mouseMove, 0, packLParam(500, 300));  // world (100, 0)
    send(wm::rightButtonDown);
    send(wm::rightButtonUp);
    ASSERT_EQ(world.springs.size(), 1u);
    EXPECT_EQ(world.springs.front().endB->body, &right);
    EXPECT_TRUE(world.cursorEnd.springs.empty());
}

TEST_F(WindowProcedureTest, ADropIsReadIntoTheFirstWorld) {
    EXPECT_EQ(windowProcedure(shell, Message{wm::dropFiles, 0, 0, {VANTOR_TEST_DATA "/drops/box.ini"}}), 0);
    // There was no world: an empty first one took the drop.
    ASSERT_EQ(worlds.size(), 1u);
    EXPECT_EQ(worlds[0]->models.size(), 1u);
}

// Zoomed in on a box with the wheel, the cursor over it picks it: the
// world cursor is the point the view shows there.
TEST_F(WindowProcedureTest, TheWheelZoomsAboutTheCursorAndTheButtonsPickWhatItShows) {
    World& world = addWorld();
    Body& box = addPickableBox(world, 40, 40, 100, 0);
    stepContext.currentWorld = &world;
    send(wm::mouseMove, 0, packLParam(500, 300));  // on the box, world (100, 0)
    EXPECT_EQ(send(wm::mouseWheel, wheelWParam(4 * wheelNotch), packLParam(500, 300)), 0);
    EXPECT_FLOAT_EQ(mousePos.x, 100.0f);  // the point under the cursor stays
    // 30 pixels right of the box's centre: 12.3 units at 2.44 pixels a unit,
    // on the box; unzoomed it would be 30 units, off it.
    send(wm::mouseMove, 0, packLParam(530, 300));
    EXPECT_NEAR(mousePos.x, 100.0f + 30.0f / 2.44140625f, 1e-4f);
    send(wm::leftButtonDown);
    ASSERT_EQ(box.grabs.size(), 1u);
    EXPECT_EQ(world.cursorEnd.point.x, mousePos.x);
    // Parts of a notch add up: two half notches zoom one notch.
    send(wm::mouseWheel, wheelWParam(-60), packLParam(530, 300));
    EXPECT_NEAR(mousePos.x, 100.0f + 30.0f / 2.44140625f, 1e-4f);
    send(wm::mouseWheel, wheelWParam(-60), packLParam(530, 300));
    send(wm::mouseMove, 0, packLParam(500, 300));
    EXPECT_NEAR(mousePos.x, 100.0f + 30.0f / 2.44140625f - 30.0f / 1.953125f, 1e-4f);
    // A drop lands at the world point under the cursor.
    send(wm::mouseMove, 0, packLParam(400, 300));
    Point underCursor = mousePos;
    windowProcedure(shell, Message{wm::dropFiles, 0, 0, {VANTOR_TEST_DATA "/drops/box.ini"}});
    ASSERT_EQ(world.models.size(), 2u);
    EXPECT_NEAR(world.models[1]->bodies.front()->x, underCursor.x, 1e-3f);
}

// A middle drag holds the world point under the cursor; Home brings back
// the default mapping bit for bit, and moves the cursor with it.
TEST_F(WindowProcedureTest, AMiddleDragPansAndHomeGoesBackExactly) {
    constexpr uintptr_t middleHeld = 0x0010;
    send(wm::mouseMove, 0, packLParam(400, 300));
    send(wm::middleButtonDown, middleHeld, packLParam(400, 300));
    send(wm::mouseMove, middleHeld, packLParam(500, 250));
    EXPECT_FLOAT_EQ(mousePos.x, 0.0f);
    EXPECT_FLOAT_EQ(mousePos.y, 0.0f);
    send(wm::middleButtonUp, 0, packLParam(500, 250));
    send(wm::mouseMove, 0, packLParam(400, 300));
    EXPECT_FLOAT_EQ(mousePos.x, -100.0f);
    EXPECT_FLOAT_EQ(mousePos.y, -50.0f);
    // A move with the middle button up ends a pan whose release was missed.
    send(wm::middleButtonDown, middleHeld, packLParam(400, 300));
    send(wm::mouseMove, 0, packLParam(300, 300));
    send(wm::mouseMove, middleHeld, packLParam(200, 300));
    EXPECT_FLOAT_EQ(mousePos.x, -300.0f);
    // Home: the cursor is where the default view puts it, and stays put on
    // a second press.
    send(wm::keyDown, 0x24);
    EXPECT_TRUE(isDefaultView(shell.viewControl.view));
    EXPECT_EQ(mousePos.x, mouseWorldPosition(packLParam(200, 300)).x);
    EXPECT_EQ(mousePos.y, mouseWorldPosition(packLParam(200, 300)).y);
    send(wm::keyUp, 0x24);
    EXPECT_EQ(keys[0x24], 0);
}

// A dropped "*.state.json" replaces every world; one that is not a state
// changes nothing and says why; world files of the same drop still add.
TEST_F(WindowProcedureTest, ADroppedStateReplacesEveryWorldAndABadOneNothing) {
    ScratchDirectory scratch("dropped-state");
    std::string good = (scratch.path / "one.state.json").string();
    std::string bad = (scratch.path / "bad.state.json").string();
    windowProcedure(shell, Message{wm::dropFiles, 0, 0, {VANTOR_TEST_DATA "/drops/box.ini"}});
    ASSERT_TRUE(writeStateDump(good));
    std::ofstream(bad) << "{\"version\": 1}";
    windowProcedure(shell, Message{wm::dropFiles, 0, 0, {VANTOR_TEST_DATA "/drops/box.ini"}});
    ASSERT_EQ(worlds[0]->models.size(), 2u);

    const World* before = worlds[0].get();
    windowProcedure(shell, Message{wm::dropFiles, 0, 0, {bad}});
    EXPECT_EQ(worlds[0].get(), before);
    EXPECT_EQ(timeStatus(shell.time), "not a state: " + bad + ": timeScale: missing");

    windowProcedure(shell, Message{wm::dropFiles, 0, 0, {good, VANTOR_TEST_DATA "/drops/box.ini"}});
    ASSERT_EQ(worlds.size(), 1u);
    EXPECT_NE(worlds[0].get(), before);
    EXPECT_EQ(worlds[0]->models.size(), 2u);  // the saved model and the world file's
}

// Settings as the settings file left them and a window open at the
// windowed size.
class DisplayToggle : public WindowProcedureTest {
protected:
    void SetUp() override {
        WindowProcedureTest::SetUp();
        windowedWidth = 640.5f;
        windowedHeight = 480.0f;
        fullscreenWidth = 1280.0f;
        fullscreenHeight = 1024.0f;
        ASSERT_EQ(openWindow(platform, renderer, windowTitle, 640, 480, 32, false), WindowOpening::opened);
        platform.events.clear();
        platform.requests.clear();
    }
};

TEST_F(DisplayToggle, AltEnterRebuildsWindowFontAndTexturesInTheOtherMode) {
    World& world = addWorld();
    addPickableBox(world, 40, 40, 0, 0);
    stepContext.currentWorld = &world;
    send(wm::leftButtonDown);
    send(wm::mouseWheel, wheelWParam(wheelNotch), packLParam(100, 100));
    Point zoomedCentre = shell.viewControl.view.centre;
    EXPECT_EQ(send(wm::sysKeyDown, vk::returnKey), 0);
    EXPECT_TRUE(fullscreen);
    ASSERT_EQ(platform.requests.size(), 1u);
    EXPECT_TRUE(platform.requests[0].fullscreen);
    EXPECT_EQ(platform.requests[0].width, 1280);
    EXPECT_EQ(platform.requests[0].title, "Vantor");
    EXPECT_FLOAT_EQ(viewWidth, 1280.0f);
    // The view keeps its zoom and centre through the toggle.
    EXPECT_EQ(viewZoom(shell.viewControl.view), 1.25f);
    EXPECT_FLOAT_EQ(shell.viewControl.view.centre.x, zoomedCentre.x);
    // The old window goes before the new one; font, then textures, after it.
    EXPECT_EQ(platform.events, (std::vector<std::string>{"close", "open", "view", "state", "font", "textures"}));
    // Back, at the windowed size cut to whole pixels; the grab survives both.
    send(wm::sysKeyDown, vk::returnKey);
    EXPECT_FALSE(fullscreen);
    EXPECT_EQ(platform.requests.back().width, 640);
    EXPECT_FALSE(platform.requests.back().fullscreen);
    EXPECT_EQ(world.springs.size(), 1u);
    EXPECT_EQ(keys[vk::returnKey], 0);
}

TEST_F(DisplayToggle, AFailedNewWindowBuildsNoFontAndNoTexturesAndEndsTheRun) {
    platform.failingStep = WindowStep::createWindow;
    EXPECT_EQ(send(wm::sysKeyDown, vk::returnKey), 0);
    EXPECT_EQ(platform.count("font"), 0u);
    EXPECT_EQ(platform.count("textures"), 0u);
    EXPECT_FALSE(windowIsOpen());
    // Nobody could see or close a program without a window.
    EXPECT_TRUE(platform.quitPosted);
}

TEST_F(WindowProcedureTest, UnknownMessagesGoToTheDefaultWithTheirParameters) {
    EXPECT_EQ(send(0x0209, 5, 6), platform.defaultResult);
    ASSERT_EQ(platform.defaulted.size(), 1u);
    EXPECT_EQ(platform.defaulted[0].wParam, 5u);
    EXPECT_EQ(platform.defaulted[0].lParam, 6);
}

}  // namespace

// The window procedure against synthetic messages: key table, cursor
// mapping, what reaches the default procedure, resize and close.
#include <gtest/gtest.h>

#include "app/input_state.h"
#include "app/window_procedure.h"
#include "fake_platform.h"
#include "files/settings.h"
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
        return windowProcedure(platform, Message{1, message, wParam, lParam});
    }
    FakePlatform platform;
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
    send(wm::keyDown, vk::k);
    // Alt goes down; K's release while Alt is held is a system key message.
    send(wm::sysKeyDown, vk::menu);
    send(wm::sysKeyUp, vk::k);
    EXPECT_EQ(keys[vk::k], 1);
    EXPECT_EQ(keys[vk::menu], 0);
    EXPECT_EQ(send(wm::sysKeyDown, vk::f10), 0);
    EXPECT_EQ(send(wm::sysKeyDown, vk::returnKey), 0);
    EXPECT_EQ(keys[vk::f10], 0);
    EXPECT_EQ(send(wm::activate, 1), 0);
    // Only the system key-up went on to the default procedure.
    ASSERT_EQ(platform.defaulted.size(), 1u);
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
}

TEST_F(WindowProcedureTest, ResizeChangesTheViewAndTheMouseMapping) {
    EXPECT_EQ(send(wm::size, 0, packLParam(1024, 768)), 0);
    ASSERT_EQ(platform.views.size(), 1u);
    EXPECT_EQ(platform.views[0].right, 512);
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
    EXPECT_EQ(platform.count("finishDrop"), 1u);
    EXPECT_TRUE(platform.defaulted.empty());
}

TEST_F(WindowProcedureTest, UnknownMessagesGoToTheDefaultWithTheirParameters) {
    EXPECT_EQ(send(0x0207, 5, 6), platform.defaultResult);
    ASSERT_EQ(platform.defaulted.size(), 1u);
    EXPECT_EQ(platform.defaulted[0].wParam, 5u);
    EXPECT_EQ(platform.defaulted[0].lParam, 6);
}

}  // namespace

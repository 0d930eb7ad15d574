// Opening and closing the window through the scripted platform: the order
// of the steps, the full-screen fallback, every failure report, the view.
#include <gtest/gtest.h>

#include <limits>

#include "../app/fake_platform.h"
#include "files/settings.h"
#include "render/window.h"
#include "support/reset.h"

namespace {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { resetProcessState(); }
    FakePlatform platform;
};

TEST_F(WindowTest, OpensAWindowedContextInOrder) {
    ASSERT_TRUE(openWindow(platform, "Vantor", 800, 600, 32, false));
    std::vector<std::string> expected{"registerWindowClass", "createWindow", "getDeviceContext",
                                      "choosePixelFormat", "setPixelFormat", "createRenderContext",
                                      "makeCurrent", "showWindow", "applyView", "setupGLState"};
    EXPECT_EQ(platform.calls, expected);
    ASSERT_EQ(platform.windows.size(), 1u);
    const WindowSpec& spec = platform.windows[0];
    EXPECT_EQ(spec.className, "OpenGL");
    EXPECT_EQ(spec.title, "Vantor");
    EXPECT_EQ(spec.x, 100);
    EXPECT_EQ(spec.y, 80);
    EXPECT_EQ(spec.width, 800);
    EXPECT_EQ(spec.height, 600);
    EXPECT_FALSE(spec.popup);
    EXPECT_TRUE(spec.acceptFiles);
    const PixelFormatRequest& format = platform.pixelFormats[0];
    EXPECT_EQ(format.colourBits, 32);
    EXPECT_EQ(format.depthBits, 16);
    EXPECT_EQ(format.alphaBits, 0);
    EXPECT_TRUE(format.doubleBuffer);
    EXPECT_FALSE(fullscreen);
    EXPECT_FLOAT_EQ(viewWidth, 800.0f);
    EXPECT_FLOAT_EQ(viewHeight, 600.0f);
    EXPECT_TRUE(platform.boxes.empty());
}

TEST_F(WindowTest, FullScreenChangesTheModeAndOpensAPopupAtTheOrigin) {
    ASSERT_TRUE(openWindow(platform, "Vantor", 1024, 768, 32, true));
    EXPECT_LT(platform.indexOf("changeDisplayMode"), platform.indexOf("createWindow"));
    EXPECT_TRUE(platform.windows[0].popup);
    EXPECT_EQ(platform.windows[0].x, 0);
    EXPECT_EQ(platform.windows[0].y, 0);
    EXPECT_TRUE(fullscreen);
}

TEST_F(WindowTest, RefusedModeAnsweredYesFallsBackToAWindowAtTheOrigin) {
    platform.failing.insert("changeDisplayMode");
    platform.questionAnswer = BoxAnswer::yes;
    ASSERT_TRUE(openWindow(platform, "Vantor", 1024, 768, 32, true));
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(platform.boxes[0].text,
              "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?");
    EXPECT_EQ(platform.boxes[0].caption, "Tolu GL");
    EXPECT_EQ(platform.boxes[0].icon, BoxIcon::warning);
    EXPECT_EQ(platform.boxes[0].buttons, BoxButtons::yesNo);
    EXPECT_FALSE(fullscreen);
    EXPECT_FALSE(platform.windows[0].popup);
    EXPECT_EQ(platform.windows[0].x, 0);
    EXPECT_EQ(platform.windows[0].y, 0);
}

TEST_F(WindowTest, RefusedModeAnsweredNoClosesTheProgram) {
    platform.failing.insert("changeDisplayMode");
    for (BoxAnswer answer : {BoxAnswer::no, BoxAnswer::failed}) {
        platform.boxes.clear();
        platform.windows.clear();
        platform.questionAnswer = answer;
        EXPECT_FALSE(openWindow(platform, "Vantor", 1024, 768, 32, true));
        ASSERT_EQ(platform.boxes.size(), 2u);
        EXPECT_EQ(platform.boxes[1].text, "Program Will Now Close.");
        EXPECT_EQ(platform.boxes[1].caption, "ERROR");
        EXPECT_EQ(platform.boxes[1].icon, BoxIcon::stop);
        EXPECT_TRUE(platform.windows.empty());
    }
    // The class stays registered.
    EXPECT_EQ(platform.count("unregisterWindowClass"), 0u);
}

TEST_F(WindowTest, ClassRegistrationFailureIsReportedWithoutTearDown) {
    platform.failing.insert("registerWindowClass");
    EXPECT_FALSE(openWindow(platform, "Vantor", 800, 600, 32, false));
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(platform.boxes[0].text, "Failed To Register The Window Class.");
    EXPECT_EQ(platform.boxes[0].caption, "ERROR");
    EXPECT_EQ(platform.boxes[0].icon, BoxIcon::warning);
    EXPECT_EQ(platform.count("unregisterWindowClass"), 0u);
    EXPECT_EQ(platform.count("createWindow"), 0u);
}

struct StepFailure {
    const char* step;
    const char* text;
    std::vector<std::string> tornDown;  // releases closeWindow makes before unregistering
};

TEST_F(WindowTest, EachContextStepFailureTearsDownWhatExistsAndReportsIt) {
    const std::vector<StepFailure> failures{
        {"createWindow", "Window Creation Error.", {}},
        {"getDeviceContext", "Can't Create A GL Device Context.", {"destroyWindow"}},
        {"choosePixelFormat", "Can't Find A Suitable PixelFormat.", {"releaseDeviceContext", "destroyWindow"}},
        {"setPixelFormat", "Can't Set The PixelFormat.", {"releaseDeviceContext", "destroyWindow"}},
        {"createRenderContext", "Can't Create A GL Rendering Context.", {"releaseDeviceContext", "destroyWindow"}},
        {"makeCurrent", "Can't Activate The GL Rendering Context.",
         {"releaseCurrent", "deleteRenderContext", "releaseDeviceContext", "destroyWindow"}},
    };
    for (const StepFailure& failure : failures) {
        SCOPED_TRACE(failure.step);
        resetProcessState();
        platform = FakePlatform{};
        platform.failing.insert(failure.step);
        EXPECT_FALSE(openWindow(platform, "Vantor", 800, 600, 32, false));

        // Tear-down between the failed step and the report, then the report.
        long failed = platform.indexOf(failure.step);
        std::vector<std::string> after(platform.calls.begin() + failed + 1, platform.calls.end());
        std::vector<std::string> expected = failure.tornDown;
        expected.push_back("unregisterWindowClass");
        expected.push_back("messageBox");
        EXPECT_EQ(after, expected);

        // Only the failure is reported: nothing for handles never made.
        ASSERT_EQ(platform.boxes.size(), 1u);
        EXPECT_EQ(platform.boxes[0].text, failure.text);
        EXPECT_EQ(platform.boxes[0].caption, "ERROR");
        EXPECT_EQ(platform.boxes[0].icon, BoxIcon::warning);
        EXPECT_EQ(windowState.windowHandle, 0u);
        EXPECT_EQ(windowState.deviceContext, 0u);
        EXPECT_EQ(windowState.renderContext, 0u);
    }
}

TEST_F(WindowTest, CloseReportsEveryFailedReleaseAndGoesOn) {
    ASSERT_TRUE(openWindow(platform, "Vantor", 800, 600, 32, true));
    platform.calls.clear();
    platform.failing = {"releaseCurrent", "deleteRenderContext", "releaseDeviceContext", "destroyWindow",
                        "unregisterWindowClass"};
    closeWindow(platform);
    std::vector<std::string> texts;
    for (const ShownBox& box : platform.boxes) {
        texts.push_back(box.text);
        EXPECT_EQ(box.caption, "SHUTDOWN ERROR");
        EXPECT_EQ(box.icon, BoxIcon::information);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"Release Of DC And RC Failed.", "Release Rendering Context Failed.",
                                               "Release Device Context Failed.", "Could Not Release hWnd.",
                                               "Could Not Unregister Class."}));
    // Full screen: the display mode comes back and the cursor shows first.
    EXPECT_EQ(platform.calls[0], "restoreDisplayMode");
    EXPECT_EQ(platform.calls[1], "showCursor");
    EXPECT_EQ(windowState.renderContext, 0u);
    EXPECT_EQ(windowState.windowHandle, 0u);
    EXPECT_EQ(windowState.instanceHandle, 0u);
}

TEST_F(WindowTest, CloseWithNothingOpenOnlyUnregisters) {
    closeWindow(platform);
    EXPECT_EQ(platform.calls, std::vector<std::string>{"unregisterWindowClass"});
    EXPECT_TRUE(platform.boxes.empty());
}

TEST_F(WindowTest, ReopeningKeepsTheFirstColourDepth) {
    ASSERT_TRUE(openWindow(platform, "Vantor", 800, 600, 32, false));
    closeWindow(platform);
    ASSERT_TRUE(openWindow(platform, "Vantor", 1024, 768, 16, false));
    ASSERT_EQ(platform.pixelFormats.size(), 2u);
    EXPECT_EQ(platform.pixelFormats[1].colourBits, 32);
}

TEST_F(WindowTest, ResizeSetsACentredPixelProjection) {
    resizeView(platform, 801, 600);
    ASSERT_EQ(platform.views.size(), 1u);
    const ViewProjection& view = platform.views[0];
    EXPECT_EQ(view.width, 801);
    EXPECT_EQ(view.left, -400);
    EXPECT_EQ(view.right, 400);
    EXPECT_EQ(view.bottom, -300);
    EXPECT_EQ(view.top, 300);
    EXPECT_FLOAT_EQ(viewWidth, 801.0f);

    resizeView(platform, 640, 0);
    EXPECT_EQ(platform.views[1].height, 1);
    EXPECT_EQ(platform.views[1].bottom, 0);
    EXPECT_EQ(platform.views[1].top, 0);
    EXPECT_FLOAT_EQ(viewHeight, 1.0f);
}

TEST_F(WindowTest, SizeSettingsBecomeWholePixelsSafely) {
    EXPECT_EQ(pixelsFromSetting(640.9f), 640);
    EXPECT_EQ(pixelsFromSetting(-3.7f), -3);
    EXPECT_EQ(pixelsFromSetting(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(pixelsFromSetting(1e30f), std::numeric_limits<int>::max());
    EXPECT_EQ(pixelsFromSetting(-std::numeric_limits<float>::infinity()), std::numeric_limits<int>::min());
}

}  // namespace

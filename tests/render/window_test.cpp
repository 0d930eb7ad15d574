// Opening and closing the window through the scripted window system: the
// request, the full-screen fallback, every failure report, the view.
#include <gtest/gtest.h>

#include <limits>

#include "../app/fake_window_system.h"
#include "files/settings.h"
#include "render/window.h"
#include "support/reset.h"

namespace {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { resetProcessState(); }
    WindowOpening open(int width, int height, int colourBits, bool fullscreenRequested) {
        return openWindow(host, renderer, "Vantor", width, height, colourBits, fullscreenRequested);
    }
    FakeWindowSystem host;
    FakeRenderer renderer{host.events};
};

TEST_F(WindowTest, OpensAWindowedContextThenSizesTheViewAndSetsTheState) {
    ASSERT_EQ(open(800, 600, 32, false), WindowOpening::opened);
    EXPECT_EQ(host.events, (std::vector<std::string>{"open", "view", "state"}));
    ASSERT_EQ(host.requests.size(), 1u);
    const WindowRequest& request = host.requests[0];
    EXPECT_EQ(request.className, "OpenGL");
    EXPECT_EQ(request.title, "Vantor");
    EXPECT_EQ(request.x, 100);
    EXPECT_EQ(request.y, 80);
    EXPECT_EQ(request.width, 800);
    EXPECT_EQ(request.height, 600);
    EXPECT_FALSE(request.fullscreen);
    EXPECT_TRUE(request.acceptFiles);
    EXPECT_EQ(request.pixelFormat.colourBits, 32);
    EXPECT_EQ(request.pixelFormat.depthBits, 16);
    EXPECT_EQ(request.pixelFormat.alphaBits, 0);
    EXPECT_TRUE(request.pixelFormat.doubleBuffer);
    EXPECT_FALSE(fullscreen);
    EXPECT_TRUE(windowIsOpen());
    EXPECT_FLOAT_EQ(viewWidth, 800.0f);
    EXPECT_FLOAT_EQ(viewHeight, 600.0f);
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(WindowTest, FullScreenAsksForTheModeAtTheOrigin) {
    ASSERT_EQ(open(1024, 768, 32, true), WindowOpening::opened);
    EXPECT_TRUE(host.requests[0].fullscreen);
    EXPECT_EQ(host.requests[0].colourBits, 32);
    EXPECT_EQ(host.requests[0].x, 0);
    EXPECT_EQ(host.requests[0].y, 0);
    EXPECT_TRUE(fullscreen);
}

TEST_F(WindowTest, RefusedModeAnsweredYesFallsBackToAWindowAtTheOrigin) {
    host.failingStep = WindowStep::displayMode;
    host.questionAnswer = BoxAnswer::yes;
    ASSERT_EQ(open(1024, 768, 32, true), WindowOpening::opened);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text,
              "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?");
    EXPECT_EQ(host.boxes[0].caption, "Tolu GL");
    EXPECT_EQ(host.boxes[0].icon, BoxIcon::warning);
    EXPECT_EQ(host.boxes[0].buttons, BoxButtons::yesNo);
    EXPECT_FALSE(fullscreen);
    ASSERT_EQ(host.requests.size(), 2u);
    EXPECT_FALSE(host.requests[1].fullscreen);
    EXPECT_EQ(host.requests[1].x, 0);
    EXPECT_EQ(host.requests[1].y, 0);
}

TEST_F(WindowTest, RefusedModeAnsweredNoClosesTheProgram) {
    host.failingStep = WindowStep::displayMode;
    for (BoxAnswer answer : {BoxAnswer::no, BoxAnswer::failed}) {
        host.boxes.clear();
        host.requests.clear();
        host.questionAnswer = answer;
        EXPECT_EQ(open(1024, 768, 32, true), WindowOpening::declined);
        ASSERT_EQ(host.boxes.size(), 2u);
        EXPECT_EQ(host.boxes[1].text, "Program Will Now Close.");
        EXPECT_EQ(host.boxes[1].caption, "ERROR");
        EXPECT_EQ(host.boxes[1].icon, BoxIcon::stop);
        EXPECT_EQ(host.requests.size(), 1u);
        EXPECT_FALSE(windowIsOpen());
    }
    // The class stays registered: nothing is closed.
    EXPECT_EQ(host.count("close"), 0u);
}

TEST_F(WindowTest, ClassRegistrationFailureIsReportedWithoutTearDown) {
    host.failingStep = WindowStep::registerClass;
    EXPECT_EQ(open(800, 600, 32, false), WindowOpening::failed);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Failed To Register The Window Class.");
    EXPECT_EQ(host.boxes[0].caption, "ERROR");
    EXPECT_EQ(host.boxes[0].icon, BoxIcon::warning);
    EXPECT_EQ(host.count("close"), 0u);
}

TEST_F(WindowTest, EachLaterStepFailureTearsDownFirstAndThenReportsIt) {
    const std::vector<std::pair<WindowStep, const char*>> failures{
        {WindowStep::createWindow, "Window Creation Error."},
        {WindowStep::deviceContext, "Can't Create A GL Device Context."},
        {WindowStep::choosePixelFormat, "Can't Find A Suitable PixelFormat."},
        {WindowStep::setPixelFormat, "Can't Set The PixelFormat."},
        {WindowStep::createContext, "Can't Create A GL Rendering Context."},
        {WindowStep::makeCurrent, "Can't Activate The GL Rendering Context."},
    };
    for (const auto& [step, text] : failures) {
        SCOPED_TRACE(text);
        resetProcessState();
        host = FakeWindowSystem{};
        host.failingStep = step;
        EXPECT_EQ(open(800, 600, 32, false), WindowOpening::failed);
        EXPECT_EQ(host.events, (std::vector<std::string>{"open", "close", "box"}));
        ASSERT_EQ(host.boxes.size(), 1u);
        EXPECT_EQ(host.boxes[0].text, text);
        EXPECT_EQ(host.boxes[0].caption, "ERROR");
        EXPECT_EQ(host.boxes[0].icon, BoxIcon::warning);
        EXPECT_FALSE(windowIsOpen());
    }
}

TEST_F(WindowTest, CloseReportsEveryFailedReleaseAndGoesOn) {
    ASSERT_EQ(open(800, 600, 32, true), WindowOpening::opened);
    host.failingReleases = ReleaseFailures{true, true, true, true, true};
    closeWindow(host);
    std::vector<std::string> texts;
    for (const ShownBox& box : host.boxes) {
        texts.push_back(box.text);
        EXPECT_EQ(box.caption, "SHUTDOWN ERROR");
        EXPECT_EQ(box.icon, BoxIcon::information);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"Release Of DC And RC Failed.", "Release Rendering Context Failed.",
                                               "Release Device Context Failed.", "Could Not Release hWnd.",
                                               "Could Not Unregister Class."}));
    EXPECT_FALSE(windowIsOpen());
}

TEST_F(WindowTest, CloseWithNothingOpenReportsNothing) {
    closeWindow(host);
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(WindowTest, ReopeningKeepsTheFirstColourDepth) {
    ASSERT_EQ(open(800, 600, 32, false), WindowOpening::opened);
    closeWindow(host);
    ASSERT_EQ(open(1024, 768, 16, false), WindowOpening::opened);
    ASSERT_EQ(host.requests.size(), 2u);
    EXPECT_EQ(host.requests[1].pixelFormat.colourBits, 32);
}

TEST_F(WindowTest, ResizeSetsACentredPixelProjection) {
    ASSERT_EQ(open(800, 600, 32, false), WindowOpening::opened);
    renderer.views.clear();
    resizeView(renderer, 801, 600);
    ASSERT_EQ(renderer.views.size(), 1u);
    const ViewProjection& view = renderer.views[0];
    EXPECT_EQ(view.width, 801);
    EXPECT_EQ(view.left, -400);
    EXPECT_EQ(view.right, 400);
    EXPECT_EQ(view.bottom, -300);
    EXPECT_EQ(view.top, 300);
    EXPECT_FLOAT_EQ(viewWidth, 801.0f);

    resizeView(renderer, 640, 0);
    EXPECT_EQ(renderer.views[1].height, 1);
    EXPECT_EQ(renderer.views[1].bottom, 0);
    EXPECT_EQ(renderer.views[1].top, 0);
    EXPECT_FLOAT_EQ(viewHeight, 1.0f);

    // Without a window the size is still taken, but nothing is drawn into.
    closeWindow(host);
    resizeView(renderer, 320, 200);
    EXPECT_EQ(renderer.views.size(), 2u);
    EXPECT_FLOAT_EQ(viewWidth, 320.0f);
}

TEST_F(WindowTest, SizeSettingsBecomeWholePixelsSafely) {
    EXPECT_EQ(pixelsFromSetting(640.9f), 640);
    EXPECT_EQ(pixelsFromSetting(-3.7f), -3);
    EXPECT_EQ(pixelsFromSetting(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(pixelsFromSetting(1e30f), std::numeric_limits<int>::max());
    EXPECT_EQ(pixelsFromSetting(-std::numeric_limits<float>::infinity()), std::numeric_limits<int>::min());
}

}  // namespace

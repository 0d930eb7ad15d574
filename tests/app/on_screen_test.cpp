// What the shell shows at the user's asking: H pages the help panel so
// every line is readable on a small window, F11's statistics line counts
// the last second, F8's pictures never overwrite one another.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/on_screen.h"
#include "app/view_keys.h"
#include "app/window_screenshot.h"
#include "fake_window_system.h"
#include "files/settings.h"
#include "mouse/mouse_fixture.h"
#include "render/overlay.h"
#include "sim/globals.h"
#include "support/reset.h"

namespace {

struct PlacedLine {
    float x, y;
    std::string text;
};

class PlacingPainter : public OverlayPainter {
public:
    std::vector<PlacedLine> lines;
    void beginConsole() override {}
    void drawLine(float x, float y, std::string_view line) override {
        lines.push_back(PlacedLine{x, y, std::string(line)});
    }
};

class OnScreenTest : public ::testing::Test {
protected:
    void SetUp() override { resetProcessState(); }
    void press(int key, uint32_t lParam = 1) {
        windowProcedure(shell, Message{wm::keyDown, static_cast<uintptr_t>(key), static_cast<intptr_t>(lParam), {}});
        windowProcedure(shell, Message{wm::keyUp, static_cast<uintptr_t>(key), 0, {}});
    }
    // The overlay as the next frame draws it.
    std::vector<PlacedLine> drawn(int64_t now = 0) {
        fillOverlay(shell.onScreen, shell.overlay, now, false);
        PlacingPainter painter;
        drawFrameOverlay(painter, shell.overlay);
        return painter.lines;
    }
    FakeWindowSystem platform;
    FakeRenderer renderer{platform.events};
    Shell shell{platform, renderer};
};

// On a 400 by 300 window the help takes pages; every line of the help is
// on one of them, and every line drawn lies inside the window.
TEST_F(OnScreenTest, HelpPagesFitASmallWindowAndShowEveryLineOnce) {
    viewWidth = 400.0f;
    viewHeight = 300.0f;
    shell.onScreen.statisticsShown = true;  // its lines at the bottom stay clear
    std::multiset<std::string> seen;
    int pages = 0;
    press(vk::h);
    for (std::vector<PlacedLine> lines = drawn(); !shell.overlay.panel.empty(); press(vk::h), lines = drawn()) {
        ++pages;
        float lowestPanelLine = 1e9f, highestBottomLine = -1e9f;
        for (const PlacedLine& line : lines) {
            EXPECT_GE(line.x, -200.0f);
            EXPECT_LE(line.x + overlayGlyphAdvance * static_cast<float>(line.text.size()), 200.0f) << line.text;
            EXPECT_GE(line.y, -150.0f);
            EXPECT_LE(line.y + 16.0f, 150.0f) << line.text;
            bool panelLine = std::find(shell.overlay.panel.begin(), shell.overlay.panel.end(), line.text) !=
                             shell.overlay.panel.end();
            if (panelLine)
                lowestPanelLine = std::min(lowestPanelLine, line.y);
            else
                highestBottomLine = std::max(highestBottomLine, line.y);
        }
        EXPECT_GE(lowestPanelLine - highestBottomLine, 16.0f);  // no overlap with the statistics
        for (const std::string& line : shell.overlay.panel)
            if (line.rfind("H: ", 0) != 0) seen.insert(line);
        ASSERT_LT(pages, 10);
    }
    EXPECT_GT(pages, 1);
    EXPECT_EQ(seen, std::multiset<std::string>(helpLines().begin(), helpLines().end()));
    // On the bundled 1024 by 768 window it is one page, and H closes it.
    viewWidth = 1024.0f;
    viewHeight = 768.0f;
    press(vk::h);
    drawn();
    EXPECT_EQ(shell.overlay.panel, helpLines());
    press(vk::h);
    drawn();
    EXPECT_TRUE(shell.overlay.panel.empty());
    // A held key's repeats do not turn pages.
    press(vk::h);
    press(vk::h, 0x40000001);
    drawn();
    EXPECT_EQ(shell.overlay.panel, helpLines());
}

TEST_F(OnScreenTest, TheStatisticsLineCountsTheLastSecond) {
    viewWidth = 1024.0f;
    viewHeight = 768.0f;
    World& world = addWorld();
    addPickableBox(world, 10, 10, 0, 0);
    addPickableBox(world, 10, 10, 50, 0);
    timeScale = 1.5f;
    press(0x7A);  // F11
    LiveStatistics& statistics = shell.onScreen.statistics;
    for (int64_t at = 0; at < 2000; at += 20) {
        noteFrame(statistics, at);
        if (at == 980) noteStep(statistics, at, 9.0, 3);  // more than a second before the line
        if (at == 1500) noteStep(statistics, at, 4.0, 7);
        if (at == 1980) noteStep(statistics, at, 2.5, 12);
    }
    drawn(1990);
    EXPECT_EQ(shell.overlay.statistics, "50 fps  step 2.50 ms, max 4.00  12 passes  2 bodies  0 springs  time x1.5");
    fillOverlay(shell.onScreen, shell.overlay, 1990, true);
    EXPECT_EQ(shell.overlay.statistics.substr(shell.overlay.statistics.size() - 8), "  paused");
    press(0x7A);
    drawn(1990);
    EXPECT_TRUE(shell.overlay.statistics.empty());
}

TEST_F(OnScreenTest, AScreenshotNoticeStaysThreeSecondsAndNamesNeverRepeat) {
    showNotice(shell.onScreen, shell.overlay, "screenshot saved: a.png", 1000);
    drawn(3999);
    EXPECT_EQ(shell.overlay.status, "screenshot saved: a.png");
    drawn(4000);
    EXPECT_TRUE(shell.overlay.status.empty());
    // A line another feature put up meanwhile stays.
    showNotice(shell.onScreen, shell.overlay, "screenshot saved: b.png", 5000);
    shell.overlay.status = "paused";
    drawn(9000);
    EXPECT_EQ(shell.overlay.status, "paused");

    std::tm when{};
    when.tm_year = 126;
    when.tm_mon = 11;
    when.tm_mday = 9;
    when.tm_hour = 18;
    when.tm_min = 5;
    when.tm_sec = 7;
    std::set<std::string> taken;
    auto isTaken = [&taken](const std::string& name) { return taken.count(name) > 0; };
    EXPECT_EQ(screenshotName(when, isTaken), "vantor-20261209-180507.png");
    taken.insert("vantor-20261209-180507.png");
    EXPECT_EQ(screenshotName(when, isTaken), "vantor-20261209-180507-2.png");
    // F8 asks for the next frame drawn.
    press(0x77);
    EXPECT_TRUE(shell.onScreen.screenshotAsked);
}

}  // namespace

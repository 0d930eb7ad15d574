// Overlay layout: columns, baselines, the line-length limit and the trim.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/settings.h"
#include "render/overlay.h"
#include "render/overlay_consoles.h"
#include "support/reset.h"

namespace {

struct DrawnLine {
    float x, y;
    std::string text;
};

class RecordingPainter : public OverlayPainter {
public:
    int consoles = 0;
    std::vector<DrawnLine> lines;
    void beginConsole() override { ++consoles; }
    void drawLine(float x, float y, std::string_view line) override {
        lines.push_back(DrawnLine{x, y, std::string(line)});
    }
};

class OverlayTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetProcessState();
        viewWidth = 800.0f;
        viewHeight = 600.0f;
    }
    RecordingPainter painter;
};

std::string numberedLines(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i) text += std::to_string(i) + "\n";
    return text;
}

TEST_F(OverlayTest, ColumnsStartAtTheirOffsetsFromTheLeftEdge) {
    EXPECT_FLOAT_EQ(overlayColumnX(0, 800.0f), -194.0f);
    EXPECT_FLOAT_EQ(overlayColumnX(-1, 800.0f), -394.0f);
    EXPECT_FLOAT_EQ(overlayColumnX(9, 800.0f), -194.0f + 1800.0f);
}

TEST_F(OverlayTest, LinesRunDownFromTheTopSixteenPixelsApart) {
    overlayConsole(0) = "12\n204\n";
    overlayConsole(3) = "x";
    drawOverlay(painter);
    EXPECT_EQ(painter.consoles, 11);
    ASSERT_EQ(painter.lines.size(), 3u);
    EXPECT_EQ(painter.lines[0].text, "12");
    EXPECT_FLOAT_EQ(painter.lines[0].x, -194.0f);
    EXPECT_FLOAT_EQ(painter.lines[0].y, 280.0f);
    EXPECT_EQ(painter.lines[1].text, "204");
    EXPECT_FLOAT_EQ(painter.lines[1].y, 264.0f);
    // A final line without a line break is drawn like the others.
    EXPECT_EQ(painter.lines[2].text, "x");
    EXPECT_FLOAT_EQ(painter.lines[2].x, -194.0f + 600.0f);
}

TEST_F(OverlayTest, FiftyLinesAreAllDrawnThenTrimmedToTheLastFortyFive) {
    overlayConsole(0) = numberedLines(50);
    drawOverlay(painter);
    ASSERT_EQ(painter.lines.size(), 50u);
    EXPECT_FLOAT_EQ(painter.lines[49].y, 300.0f - (20.0f + 49.0f * 16.0f));
    EXPECT_EQ(overlayConsole(0), numberedLines(50));  // drawing only draws
    trimConsoles();
    EXPECT_EQ(overlayConsole(0).substr(0, 2), "6\n");
    EXPECT_EQ(overlayLines(overlayConsole(0)).size(), 45u);
    // Writers keep appending after the trimmed text.
    overlayConsole(0) += "51\n";
    EXPECT_EQ(overlayConsole(0).substr(overlayConsole(0).size() - 6), "50\n51\n");
}

TEST_F(OverlayTest, EmptyLinesTakeTheirPlace) {
    EXPECT_EQ(overlayLines("a\n\nb\n"), (std::vector<std::string_view>{"a", "", "b"}));
    EXPECT_TRUE(overlayLines("").empty());
}

TEST_F(OverlayTest, ALineOverTwoHundredFiftyFiveCharactersStopsTheConsole) {
    std::string longest(255, 'a');
    std::string tooLong(256, 'b');
    EXPECT_EQ(overlayLines(longest + "\nz").size(), 2u);
    EXPECT_EQ(overlayLines(longest).size(), 1u);
    std::string text = "first\n" + tooLong + "\nlast\n";
    auto lines = overlayLines(text);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "first");
}

TEST_F(OverlayTest, TheTrimCountsOnlyDrawnLines) {
    // 50 short lines after an over-long first one: none drawn, nothing trimmed.
    std::string text = std::string(300, 'c') + "\n" + numberedLines(50);
    overlayConsole(2) = text;
    drawOverlay(painter);
    trimConsoles();
    EXPECT_TRUE(painter.lines.empty());
    EXPECT_EQ(overlayConsole(2), text);
    // Without a line break there is nothing to remove.
    EXPECT_EQ(trimConsoleText("no break", 60), "no break");
    EXPECT_EQ(trimConsoleText("a\nb", 47), "b");
}

}  // namespace

TEST_F(OverlayTest, FrameExtrasStandInScreenSpaceAndDrawNothingWhenEmpty) {
    drawFrameOverlay(painter, FrameOverlay{});
    EXPECT_EQ(painter.consoles, 0);
    EXPECT_TRUE(painter.lines.empty());

    FrameOverlay extras;
    extras.status = "paused";
    extras.statistics = "50 fps";
    extras.panel = {"P  pause", "O  one frame"};
    drawFrameOverlay(painter, extras);
    ASSERT_EQ(painter.lines.size(), 4u);
    EXPECT_EQ(painter.lines[0].text, "paused");
    EXPECT_FLOAT_EQ(painter.lines[0].x, -400.0f + statusLineLeft);
    EXPECT_FLOAT_EQ(painter.lines[0].y, -300.0f + statusLineBottom);
    EXPECT_GT(painter.lines[1].y, painter.lines[0].y);  // statistics above the status
    EXPECT_FLOAT_EQ(painter.lines[2].y, 300.0f - overlayFirstBaseline);
    EXPECT_LT(painter.lines[3].y, painter.lines[2].y);
}

// On a narrow view the lines at the bottom break where they may and stack
// upwards; the panel stays clear of them.
TEST_F(OverlayTest, BottomLinesBreakToTheViewWidthAndStackUpwards) {
    viewWidth = 200.0f;  // 16 glyphs a line
    EXPECT_EQ(wrapOverlayText("50 fps  step 1.25 ms  12 passes", 192.0f),
              (std::vector<std::string>{"50 fps", "step 1.25 ms", "12 passes"}));
    EXPECT_EQ(wrapOverlayText("screenshot saved: vantor-20261209-180507.png", 192.0f),
              (std::vector<std::string>{"screenshot", "saved:", "vantor-20261209-180507.png"}));
    EXPECT_TRUE(wrapOverlayText("", 192.0f).empty());
    FrameOverlay extras;
    extras.status = "saved: a.png";
    extras.statistics = "50 fps  12 passes";
    extras.panel = std::vector<std::string>(40, "help");
    drawFrameOverlay(painter, extras);
    ASSERT_GE(painter.lines.size(), 3u);
    EXPECT_EQ(painter.lines[0].text, "saved: a.png");
    EXPECT_EQ(painter.lines[1].text, "12 passes");
    EXPECT_EQ(painter.lines[2].text, "50 fps");
    EXPECT_FLOAT_EQ(painter.lines[2].y, painter.lines[0].y + 32.0f);
    for (size_t i = 3; i < painter.lines.size(); ++i) EXPECT_GE(painter.lines[i].y, painter.lines[2].y + 32.0f);
}

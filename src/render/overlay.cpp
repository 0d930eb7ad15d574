#include "render/overlay.h"

#include <algorithm>
#include <cmath>

#include "files/settings.h"
#include "render/overlay_consoles.h"

std::vector<std::string_view> overlayLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        if (end - start > overlayMaxLineLength) break;
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string trimConsoleText(const std::string& text, int linesDrawn) {
    size_t start = 0;
    while (linesDrawn > overlayMaxLines) {
        --linesDrawn;
        size_t lineBreak = text.find('\n', start);
        if (lineBreak == std::string::npos) break;  // nothing left to remove
        start = lineBreak + 1;
    }
    return text.substr(start);
}

float overlayColumnX(int console, float viewWidth) {
    return -viewWidth * 0.5f + overlayColumnOffset + overlayColumnWidth * static_cast<float>(console);
}

void drawOverlay(OverlayPainter& painter) {
    for (int console = firstConsole; console <= lastConsole; ++console) {
        painter.beginConsole();
        float y = viewHeight * 0.5f - overlayFirstBaseline;
        float x = overlayColumnX(console, viewWidth);
        for (std::string_view line : overlayLines(overlayConsole(console))) {
            painter.drawLine(x, y, line);
            y -= overlayLineSpacing;
        }
    }
}

PanelLayout panelLayout(size_t longestLine, size_t bottomLines, float viewWidth, float viewHeight) {
    PanelLayout layout;
    // One line is left free above the bottom lines: the glyphs are taller
    // than the spacing.
    size_t keptClear = bottomLines > 0 ? bottomLines + 1 : 0;
    float height =
        viewHeight - overlayFirstBaseline - statusLineBottom - overlayLineSpacing * static_cast<float>(keptClear);
    float rows = std::floor(height / overlayLineSpacing) + 1.0f;
    layout.rows = rows >= 1.0f ? static_cast<size_t>(std::min(rows, 4096.0f)) : 1;
    layout.columnWidth = overlayGlyphAdvance * static_cast<float>(longestLine) + panelColumnGap;
    float columns = std::floor((viewWidth - statusLineLeft + panelColumnGap) / layout.columnWidth);
    layout.columns = columns >= 1.0f ? static_cast<size_t>(std::min(columns, 4096.0f)) : 1;
    return layout;
}

std::vector<std::string> wrapOverlayText(const std::string& text, float width) {
    size_t fits =
        width >= overlayGlyphAdvance ? static_cast<size_t>(std::min(width / overlayGlyphAdvance, 4096.0f)) : 1;
    std::vector<std::string> lines;
    std::string line;
    auto add = [&](std::string_view piece, std::string_view separator) {
        if (!line.empty() && line.size() + separator.size() + piece.size() > fits) {
            lines.push_back(line);
            line.clear();
        }
        if (!line.empty()) line += separator;
        line += piece;
    };
    auto pieces = [](std::string_view whole, std::string_view separator) {
        std::vector<std::string_view> parts;
        for (size_t start = 0; start <= whole.size();) {
            size_t end = std::min(whole.find(separator, start), whole.size());
            parts.push_back(whole.substr(start, end - start));
            start = end + separator.size();
        }
        return parts;
    };
    // Fields break at double blanks; a field too long for a line, at its
    // single blanks too.
    for (std::string_view field : pieces(text, "  ")) {
        if (field.size() <= fits) {
            add(field, "  ");
            continue;
        }
        bool first = true;
        for (std::string_view word : pieces(field, " ")) {
            add(word, first ? "  " : " ");
            first = false;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

size_t frameOverlayBottomLines(const FrameOverlay& extras, float width) {
    return wrapOverlayText(extras.status, width - statusLineLeft).size() +
           wrapOverlayText(extras.statistics, width - statusLineLeft).size();
}

namespace {

// The panel in columns from the top left, over a box that keeps it
// readable on any scene.
void drawPanel(OverlayPainter& painter, const std::vector<std::string>& panel, size_t bottomLines) {
    size_t longest = 0;
    for (const std::string& line : panel) longest = std::max(longest, line.size());
    PanelLayout layout = panelLayout(longest, bottomLines, viewWidth, viewHeight);
    size_t shown = std::min(panel.size(), layout.rows * layout.columns);
    size_t columns = (shown + layout.rows - 1) / layout.rows;
    size_t rows = std::min(shown, layout.rows);
    float left = -viewWidth * 0.5f + statusLineLeft;
    float top = viewHeight * 0.5f - overlayFirstBaseline;
    float boxRight = left + layout.columnWidth * static_cast<float>(columns) - panelColumnGap * 0.5f;
    // Just below the last line's descenders.
    float boxBottom = top - overlayLineSpacing * static_cast<float>(rows - 1) - 5.0f;
    painter.fillBox(left - statusLineLeft * 0.5f, boxBottom, boxRight, viewHeight * 0.5f);
    for (size_t i = 0; i < shown; ++i) {
        float x = left + layout.columnWidth * static_cast<float>(i / layout.rows);
        float y = top - overlayLineSpacing * static_cast<float>(i % layout.rows);
        painter.drawLine(x, y, panel[i]);
    }
}

}  // namespace

void drawFrameOverlay(OverlayPainter& painter, const FrameOverlay& extras) {
    if (extras.status.empty() && extras.statistics.empty() && extras.panel.empty()) return;
    painter.beginConsole();
    float left = -viewWidth * 0.5f + statusLineLeft;
    float y = -viewHeight * 0.5f + statusLineBottom;
    // The status at the bottom, the statistics above it, each broken to
    // the view's width and stacked upwards.
    for (const std::string* text : {&extras.status, &extras.statistics}) {
        std::vector<std::string> lines = wrapOverlayText(*text, viewWidth - statusLineLeft);
        for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
            painter.drawLine(left, y, *line);
            y += overlayLineSpacing;
        }
    }
    if (!extras.panel.empty()) drawPanel(painter, extras.panel, frameOverlayBottomLines(extras, viewWidth));
}

void trimConsoles() {
    for (int console = firstConsole; console <= lastConsole; ++console) {
        std::string& text = overlayConsole(console);
        text = trimConsoleText(text, static_cast<int>(overlayLines(text).size()));
    }
}

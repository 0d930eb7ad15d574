#include "render/overlay.h"

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

void drawFrameOverlay(OverlayPainter& painter, const FrameOverlay& extras) {
    if (extras.status.empty() && extras.statistics.empty() && extras.panel.empty()) return;
    painter.beginConsole();
    float left = -viewWidth * 0.5f + statusLineLeft;
    float bottom = -viewHeight * 0.5f + statusLineBottom;
    if (!extras.status.empty()) painter.drawLine(left, bottom, extras.status);
    if (!extras.statistics.empty()) painter.drawLine(left, bottom + overlayLineSpacing, extras.statistics);
    float y = viewHeight * 0.5f - overlayFirstBaseline;
    for (const std::string& line : extras.panel) {
        painter.drawLine(left, y, line);
        y -= overlayLineSpacing;
    }
}

void trimConsoles() {
    for (int console = firstConsole; console <= lastConsole; ++console) {
        std::string& text = overlayConsole(console);
        text = trimConsoleText(text, static_cast<int>(overlayLines(text).size()));
    }
}

// The text overlay's layout: each console printed as a column of lines
// from the top of the view downward, and trimmed to its last lines at the
// end of every frame. The
// glyphs themselves are drawn by the GL side through an OverlayPainter.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "render/frame_overlay.h"

constexpr float overlayFirstBaseline = 20.0f;  // pixels below the top edge
constexpr float overlayLineSpacing = 16.0f;    // pixels; glyphs are 20 high, so lines may overlap
constexpr float overlayColumnOffset = 206.0f;  // console 0's left edge from the view's left edge
constexpr float overlayColumnWidth = 200.0f;
constexpr size_t overlayMaxLineLength = 255;  // a longer line stops its console's drawing
constexpr int overlayMaxLines = 45;           // a console keeps this many from frame to frame

class OverlayPainter {
public:
    virtual ~OverlayPainter() = default;
    // Text colour, no texturing.
    virtual void beginConsole() = 0;
    // One line with its first glyph's origin at (x, y), world units.
    virtual void drawLine(float x, float y, std::string_view line) = 0;
};

// The lines of a console's text that are drawn: up to the end of the text
// or the first line of 256 or more characters. A final line without a line
// break counts; an empty line counts.
std::vector<std::string_view> overlayLines(std::string_view text);

// The console text kept after `linesDrawn` lines were drawn: the oldest
// lines removed until at most overlayMaxLines remain counted.
std::string trimConsoleText(const std::string& text, int linesDrawn);

float overlayColumnX(int console, float viewWidth);

// Draws every console, -1 to 9.
void drawOverlay(OverlayPainter& painter);

// The status line at the bottom left, the statistics line above it and the
// panel's lines from the top left, in the consoles' colour.
void drawFrameOverlay(OverlayPainter& painter, const FrameOverlay& extras);

// Trims every console to what it keeps once drawn: the lines beyond the
// last overlayMaxLines of those drawn are removed.
void trimConsoles();

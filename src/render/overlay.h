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
// The font's advance (a 20-pixel monospaced face is 0.6 em wide), for laying
// out the panel and breaking the statistics line.
constexpr float overlayGlyphAdvance = 12.0f;
constexpr float panelColumnGap = 24.0f;  // pixels between the panel's columns

class OverlayPainter {
public:
    virtual ~OverlayPainter() = default;
    // Text colour, no texturing.
    virtual void beginConsole() = 0;
    // One line with its first glyph's origin at (x, y), world units.
    virtual void drawLine(float x, float y, std::string_view line) = 0;
    // A dark backing for text over the scene; leaves the text colour set.
    virtual void fillBox(float /*left*/, float /*bottom*/, float /*right*/, float /*top*/) {}
};

// Where the panel's lines go: columns of `rows` lines side by side, as many
// as the view holds above the lines at the bottom.
struct PanelLayout {
    size_t rows = 0;
    size_t columns = 0;
    float columnWidth = 0.0f;
};

// The panel's layout for lines of up to `longestLine` characters, with
// `bottomLines` lines of status and statistics kept clear. At least one
// row and one column, however small the view.
PanelLayout panelLayout(size_t longestLine, size_t bottomLines, float viewWidth, float viewHeight);

// A line broken at its double blanks into lines that fit `width` pixels; a
// field too long for a line is broken at its single blanks, and a word
// longer than that stands alone. Empty text: no lines.
std::vector<std::string> wrapOverlayText(const std::string& text, float width);

// The lines the status and the statistics take at the bottom of the view.
size_t frameOverlayBottomLines(const FrameOverlay& extras, float viewWidth);

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

// The status line at the bottom left, the statistics line above it (both
// broken to the view's width) and the panel's lines from the top left in columns
// over a dark box, in the consoles' colour.
void drawFrameOverlay(OverlayPainter& painter, const FrameOverlay& extras);

// Trims every console to what it keeps once drawn: the lines beyond the
// last overlayMaxLines of those drawn are removed.
void trimConsoles();

// What a frame shows over the scene besides the consoles, in screen space:
// a short line saying what is going on while it is not plain running
// ("paused", "rewinding: -2.40 s", "state saved: NAME"), and panels the
// user can switch on. The shell owns it and fills it before drawing; the
// renderer only reads it.
#pragma once

#include <string>
#include <vector>

struct FrameOverlay {
    std::string status;              // one line at the bottom left; empty: none
    std::vector<std::string> panel;  // lines of a panel over the scene (help); empty: none
    std::string statistics;          // one line at the top; empty: none
};

// Where the status line's first glyph stands: pixels from the view's left
// and bottom edges.
constexpr float statusLineLeft = 8.0f;
constexpr float statusLineBottom = 8.0f;

// What the window shows over the scene at the user's asking: the help
// panel (H, in pages when the window is too small for all of it), the
// statistics line (F11), and the line that says a screenshot (F8) was
// saved. The shell fills its FrameOverlay from these before every frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/live_statistics.h"
#include "render/frame_overlay.h"

struct OnScreen {
    int helpPage = -1;  // the page of the help panel shown; -1: none
    bool statisticsShown = false;
    bool screenshotAsked = false;  // F8: the next frame drawn is saved
    std::string notice;            // "screenshot saved: NAME", for a while
    int64_t noticeUntil = 0;
    LiveStatistics statistics;
};

constexpr int64_t noticeMs = 3000;  // how long a notice stays up

// Every key and mouse action with its effect, one short line each.
const std::vector<std::string>& helpLines();

// H: the first page, the next one, or none after the last.
void nextHelpPage(OnScreen& onScreen);

// Fills the panel, the statistics line and the notice into `overlay` for
// the view size in force; `paused` while the simulation stands still.
void fillOverlay(OnScreen& onScreen, FrameOverlay& overlay, int64_t now, bool paused);

// Shows `text` in the status line for noticeMs.
void showNotice(OnScreen& onScreen, FrameOverlay& overlay, const std::string& text, int64_t now);

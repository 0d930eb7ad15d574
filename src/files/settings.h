// Display settings: read from the settings file, changed by the full-screen
// toggle and, for the view size, by every resize. All 0/false at start.
#pragma once

// The largest view size the program works with, in pixels: far past any
// display (window messages carry 16 bits a side) and small enough that the
// cursor, measured from the view's centre, stays an exact float and the
// springs it pulls stay far from the float range.
constexpr float largestViewSize = 16777216.0f;  // 2^24

extern float windowedWidth, windowedHeight;
extern float fullscreenWidth, fullscreenHeight;
extern float viewWidth, viewHeight;  // the size in force
extern bool fullscreen;

void resetSettings();

// The bundled settings file's sizes, used for any size the settings read
// did not give: a world file alone still opens a window one can use.
constexpr float defaultViewWidth = 1024.0f, defaultViewHeight = 768.0f;

// Gives each pair (and the size in force) that is still 0 by 0 the default
// size; the size in force follows the mode in force.
void fillUnsetSizes();

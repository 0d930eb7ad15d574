// Display settings: read from the settings file, changed by the full-screen
// toggle and, for the view size, by every resize. All 0/false at start.
#pragma once

extern float windowedWidth, windowedHeight;
extern float fullscreenWidth, fullscreenHeight;
extern float viewWidth, viewHeight;  // the size in force
extern bool fullscreen;

void resetSettings();

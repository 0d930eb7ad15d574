// F8: the frame just drawn, as the window shows it, saved as a PNG file in
// the current directory, and a line in the overlay saying so.
#pragma once

#include <ctime>
#include <functional>
#include <string>

#include "app/window_system.h"

// "vantor-YYYYMMDD-HHMMSS.png" for a local time; when `taken` says that
// name is in use, "-2", "-3" ... before ".png", so no picture overwrites
// another taken in the same second.
std::string screenshotName(const std::tm& localTime, const std::function<bool(const std::string&)>& taken);

// Reads the back buffer and writes it under a new name; the status line
// text: "screenshot saved: NAME", or "screenshot failed: NAME" (also on the
// error stream, with nothing left under NAME).
std::string saveWindowScreenshot(WindowSystem& windowSystem, std::time_t now);

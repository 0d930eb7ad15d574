// Writing a frame read back from the window as a PNG file (--screenshot).
#pragma once

#include <string>

#include "app/window_system.h"

// Writes `image` (RGB, bottom row first, as GL reads it) as an 8-bit RGB
// PNG, top row first. False, with nothing promised about the file, when the
// image is empty or inconsistent or the file cannot be written.
bool writeFramePng(const std::string& path, const FrameImage& image);

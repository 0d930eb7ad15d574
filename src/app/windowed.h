// The windowed run: opens the window, reads the world and runs the paced
// loop until the window is closed. Lives in the program layer (SDL2 + GL).
#pragma once

#include "app/run_options.h"
#include "app/window_system.h"

// Returns the program's exit code.
int runWindowed(const RunOptions& options);

// A headless run that draws every frame where nobody sees it (--video):
// the GL renderer on an unattended SDL window, the loop unpaced.
int runDrawnHeadless(const RunOptions& options);

// Both: the GL renderer, texture upload and the background fetch around
// one run of the loop on `windowSystem`.
int runDrawing(WindowSystem& windowSystem, const RunOptions& options);

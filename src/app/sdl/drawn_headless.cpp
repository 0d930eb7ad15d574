// A headless run that draws: the GL renderer and texture upload, the
// background fetch, and an SDL window nobody watches, under the headless
// loop (--video).
#include "app/sdl/offscreen_window_system.h"
#include "app/windowed.h"

int runDrawnHeadless(const RunOptions& options) {
    OffscreenWindowSystem windowSystem;
    return runDrawing(windowSystem, options);
}

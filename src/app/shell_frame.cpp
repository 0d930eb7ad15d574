#include "app/shell_frame.h"

#include <ctime>

#include "app/input_state.h"
#include "app/window_screenshot.h"

void beforeDrawing(Shell& shell) {
    int64_t now = shell.windowSystem.clock();
    noteFrame(shell.onScreen.statistics, now);
    fillOverlay(shell.onScreen, shell.overlay, now, keyHeld(vk::f1) || shell.time.paused);
}

void afterDrawing(Shell& shell) {
    if (!shell.onScreen.screenshotAsked) return;
    shell.onScreen.screenshotAsked = false;
    std::string said = saveWindowScreenshot(shell.windowSystem, std::time(nullptr));
    showNotice(shell.onScreen, shell.overlay, said, shell.windowSystem.clock());
}

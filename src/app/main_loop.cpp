#include "app/main_loop.h"

#include "app/input_state.h"
#include "app/window_procedure.h"
#include "files/settings.h"
#include "render/window.h"
#include "sim/float_mode.h"

namespace {

constexpr int colourBits = 32;

// At most one message per pass, so a burst of input spreads over frames.
// Returns false on WM_QUIT.
bool handleOneMessage(Platform& platform) {
    Message message;
    if (!platform.peekMessage(message)) return true;
    if (message.message == wm::quit) return false;
    windowProcedure(platform, message);
    return true;
}

}  // namespace

int64_t frameSleep(int64_t delay) {
    if (keyHeld(vk::f3)) return -1;
    return slowKeyDelayMs * (keyHeld(vk::f2) ? 1 : 0) + stepKeyDelayMs * (keyHeld(vk::s) ? 1 : 0) + delay;
}

int runMainLoop(Platform& platform, const ProgramActions& actions, int64_t mark) {
    for (;;) {
        if (!handleOneMessage(platform)) return 0;
        if (!keyHeld(vk::f1)) actions.stepAllWorlds();
        // The frame is measured from the previous pass's mark, so the sleep
        // covers drawing, message handling and stepping; a late pass does
        // not try to catch up.
        int64_t delay = framePeriodMs - (platform.clock() - mark);
        mark = platform.clock();
        if (delay < 0) delay = 0;
        int64_t sleep = frameSleep(delay);
        if (sleep >= 0) platform.sleep(sleep);
        platform.renderFrame();
    }
}

int runProgram(Platform& platform, const RunOptions& options, const ProgramActions& actions) {
    enableFlushToZero();
    actions.readFile(options.settingsFile, options.settingsPrefix);
    if (!openWindow(platform, windowTitle, pixelsFromSetting(viewWidth), pixelsFromSetting(viewHeight), colourBits,
                    fullscreen))
        return 0;
    platform.buildFont();
    actions.readFile(options.worldFile, options.worldPrefix);
    return runMainLoop(platform, actions, platform.clock());
}

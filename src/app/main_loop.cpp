#include "app/main_loop.h"

#include <cstdio>

#include "app/input_state.h"
#include "app/replay.h"
#include "app/state_dump.h"
#include "app/window_procedure.h"
#include "files/settings.h"
#include "render/window.h"
#include "sim/float_mode.h"

namespace {

constexpr int colourBits = 32;

}  // namespace

bool handleOneMessage(Platform& platform) {
    Message message;
    if (!platform.peekMessage(message)) return true;
    if (message.message == wm::quit) return false;
    windowProcedure(platform, message);
    return true;
}

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

int runProgram(Platform& realPlatform, const RunOptions& options, const ProgramActions& actions) {
    enableFlushToZero();
    // Under a replay and a recorder when the command line asks for them.
    InputSession session;
    std::string error;
    if (!session.open(realPlatform, options.replayFile, options.recordFile, false, error)) {
        std::fprintf(stderr, "vantor: %s\n", error.c_str());
        return 1;
    }
    Platform& platform = session.platform();
    actions.readFile(options.settingsFile, options.settingsPrefix);
    if (!openWindow(platform, windowTitle, pixelsFromSetting(viewWidth), pixelsFromSetting(viewHeight), colourBits,
                    fullscreen))
        return 0;
    platform.buildFont();
    actions.readFile(options.worldFile, options.worldPrefix);
    int exitCode = runMainLoop(platform, actions, platform.clock());
    if (!options.dumpFile.empty() && !writeStateDump(options.dumpFile)) {
        std::fprintf(stderr, "vantor: cannot write %s\n", options.dumpFile.c_str());
        exitCode = 1;
    }
    return exitCode;
}

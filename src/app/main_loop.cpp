#include "app/main_loop.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <utility>

#include "app/frame_png.h"
#include "app/input_state.h"
#include "app/replay.h"
#include "app/shell_frame.h"
#include "app/state_dump.h"
#include "app/state_file.h"
#include "app/texture_arrivals.h"
#include "app/time_actions.h"
#include "app/video_export.h"
#include "app/world_reload.h"
#include "assets/textures.h"
#include "files/read_log.h"
#include "files/reader.h"
#include "files/settings.h"
#include "render/overlay.h"
#include "render/overlay_consoles.h"
#include "sim/float_mode.h"
#include "sim/globals.h"
#include "sim/step.h"

namespace {

void holdKeys(const std::vector<int>& heldKeys) {
    for (int code : heldKeys) keys[static_cast<size_t>(code) & 0xFF] = 1;
}

void step(Shell& shell, const ProgramActions& actions, StepTimes* times) {
    StormRecord* storms = stepContext.storms;
    if (storms != nullptr) storms->framePeak = 0;
    auto start = std::chrono::steady_clock::now();
    actions.stepAllWorlds(heldStepKeys(), &overlayConsole(0));
    auto end = std::chrono::steady_clock::now();
    double milliseconds = std::chrono::duration<double, std::milli>(end - start).count();
    int64_t now = shell.windowSystem.clock();
    noteStep(shell.onScreen.statistics, now, milliseconds, stepContext.passCount);
    if (storms != nullptr && storms->framePeak > latePassesFrom && !storms->latestWorst.empty())
        noteStorm(shell.onScreen.statistics, now, storms->latestWorst);
    if (times == nullptr) return;
    times->stepMs.push_back(milliseconds);
    // The largest cycle of the frame, not only the last world's last one.
    times->passCounts.push_back(std::max(stepContext.passCount, times->storms.framePeak));
    if (times->storms.framePeak > latePassesFrom) times->framesOverReported += 1;
}

// Backspace held: the pass goes back a frame instead of stepping. Every
// frame stepped is kept, and so is the state a run or a reading of the
// worlds starts from, so Backspace can go back to it.
void advanceTime(Shell& shell, const ProgramActions& actions, const LoopPolicy& policy) {
    History* history = policy.history;
    TimeControl& time = shell.time;
    if (history != nullptr && std::exchange(time.worldsReplaced, false)) {
        history->clear();
        history->keepFrame();
    }
    if (history != nullptr && history->framesSeen == 0) history->keepFrame();
    time.rewinding = history != nullptr && keyHeld(vk::backspace);
    if (time.rewinding) {
        if (history->stepBack()) time.rewoundSeconds += static_cast<float>(framePeriodMs) / 1000.0f;
        return;
    }
    time.rewoundSeconds = 0.0f;
    if (keyHeld(vk::f1) || !takeStep(time)) return;
    step(shell, actions, policy.stepTimes);
    if (history != nullptr) history->keepFrame();
}

// The frame the pass shows, when a window is there to show it.
void draw(Shell& shell, const LoopPolicy& policy, long& framesDrawn) {
    showTimeStatus(shell.time, shell.overlay);
    if (!windowIsOpen()) return;
    placeArrivedTextures();
    beforeDrawing(shell);
    shell.renderer.drawFrame(shell.viewControl.view, shell.overlay);
    framesDrawn += 1;
    if (policy.afterDrawing) policy.afterDrawing(framesDrawn);
    afterDrawing(shell);
    shell.windowSystem.swapBuffers();
}

// Headless: the frames asked for or, when no count was given, a replay to
// its end: its last message, or the quit a WM_CLOSE posted. In a window:
// until the window closes.
std::function<bool(long)> goesOnFor(const RunOptions& options, const ReplaySource* replay,
                                    const WindowSystem& windowSystem) {
    if (!options.headless) return {};
    long frames = options.frames;
    bool untilReplayEnds = replay != nullptr && frames == 0;
    return [=, &windowSystem](long passesMade) {
        return passesMade < frames || (untilReplayEnds && (!replay->finished() || windowSystem.quitPending()));
    };
}

// --watch: the reload hook, given the names of the files start-up read.
std::function<void()> watchHook(WindowSystem& windowSystem, const RunOptions& options, const ProgramActions& actions,
                                ReadLogScope& startUpReads) {
    std::vector<std::string> filesRead = startUpReads.take();
    if (!options.watch) return {};
    return reloadWhenChanged([&windowSystem] { return windowSystem.clock(); }, options, actions, filesRead);
}

// --screenshot: the frame drawn at the count asked for goes to a PNG file,
// and the loop is asked to end.
std::function<void(long)> screenshotAfter(WindowSystem& windowSystem, const RunOptions& options, bool& written) {
    return [&windowSystem, &options, &written](long framesDrawn) {
        if (framesDrawn != options.screenshotFrames) return;
        FrameImage image;
        written = windowSystem.readFrame(image) && writeFramePng(options.screenshotFile, image);
        if (!written) std::cerr << "vantor: cannot write the screenshot " << options.screenshotFile << "\n";
        windowSystem.postQuitMessage(0);
    };
}

// --video: the frames of the run, for the progress: the count asked for,
// or a replay's passes; 0 when not known.
long expectedFrames(const RunOptions& options, const ReplaySource* replay) {
    if (options.frames > 0) return options.frames;
    return replay != nullptr ? replay->lastPass() + 1 : 0;
}

// The worlds a run starts with: the world file's, or a saved state's.
bool startWorlds(const RunOptions& options, const ProgramActions& actions) {
    if (options.stateFile.empty()) {
        actions.readFile(options.worldFile, options.worldPrefix);
        return true;
    }
    std::string error;
    if (loadStateFile(options.stateFile, error)) return true;
    std::fprintf(stderr, "vantor: %s: %s\n", options.stateFile.c_str(), error.c_str());
    return false;
}

// R: the worlds as start-up had them from their files, or the saved state
// again; the window, the time scale and the key table stay.
std::function<void()> restartHook(const RunOptions& options, const ProgramActions& actions) {
    return [&options, actions] {
        float keptTimeScale = timeScale;
        if (options.stateFile.empty()) {
            readWorldsAgain(options, actions, {});
        } else {
            std::string error;
            if (!loadStateFile(options.stateFile, error))
                std::fprintf(stderr, "vantor: %s: %s\n", options.stateFile.c_str(), error.c_str());
        }
        timeScale = keptTimeScale;
    };
}

}  // namespace

ProgramActions programActions() {
    ProgramActions actions;
    actions.readFile = [](const std::string& path, const std::string& prefix) { loadFilePath(path, prefix); };
    actions.stepAllWorlds = [](const StepKeys& keys, std::string* hardSteps) { stepAllWorlds(keys, hardSteps); };
    return actions;
}

bool handleOneMessage(Shell& shell, MessageSource& messages) {
    Message message;
    if (!messages.nextMessage(message)) return true;
    if (message.message == wm::quit) return false;
    windowProcedure(shell, message);
    return true;
}

int64_t frameSleep(int64_t delay) {
    if (keyHeld(vk::f3)) return -1;
    return slowKeyDelayMs * (keyHeld(vk::f2) ? 1 : 0) + stepKeyDelayMs * (keyHeld(vk::s) ? 1 : 0) + delay;
}

void finishFrame() {
    if (!worlds.empty()) stepContext.currentWorld = worlds.back().get();
    trimConsoles();
}

int runMainLoop(Shell& shell, MessageSource& messages, const ProgramActions& actions, int64_t mark,
                const LoopPolicy& policy) {
    WindowSystem& windowSystem = shell.windowSystem;
    long framesDrawn = 0;
    for (long pass = 0; !policy.goesOn || policy.goesOn(pass); ++pass) {
        // What one message reads (a drop, Alt+Enter) is one load: its
        // addresses share one time budget.
        beginTextureLoad();
        if (!handleOneMessage(shell, messages)) break;
        serveTimeRequests(shell.time, policy.restartWorlds);
        holdKeys(policy.heldKeys);
        advanceTime(shell, actions, policy);
        // The work since the last sleep (drawing, the message, the step)
        // and the sleep together make one 20 ms frame; a late pass does not
        // try to catch up. The mark is taken after the sleep: taken before
        // it, the next pass would count that sleep as work, and every other
        // pass would go without one (about 92 passes a second, not 50).
        int64_t delay = framePeriodMs - (windowSystem.clock() - mark);
        if (delay < 0) delay = 0;
        int64_t sleep = frameSleep(delay);
        if (sleep >= 0) windowSystem.sleep(sleep);
        mark = windowSystem.clock();
        draw(shell, policy, framesDrawn);
        finishFrame();
        if (policy.stepTimes) policy.stepTimes->passes += 1;
        if (policy.atPassEnd) policy.atPassEnd();
    }
    return 0;
}

int runProgram(WindowSystem& windowSystem, Renderer& renderer, const RunOptions& options,
               const ProgramActions& actions) {
    enableFlushToZero();
    // Under a replay and a recorder when the command line asks for them.
    InputSession session;
    std::string error;
    if (!session.open(windowSystem, options.replayFile, options.recordFile, options.headless, error)) {
        std::fprintf(stderr, "vantor: %s\n", error.c_str());
        return 1;
    }
    // A replay of a session that started from a saved state starts there
    // too, and a record of such a session says so.
    RunOptions startOptions = options;
    if (startOptions.stateFile.empty()) startOptions.stateFile = session.replayStartState();
    if (!startOptions.stateFile.empty()) session.recordStartState(startOptions.stateFile);
    Shell shell{windowSystem, renderer};
    ReadLogScope startUpReads;
    actions.readFile(options.settingsFile, options.settingsPrefix);
    fillUnsetSizes();
    // The clip is checked (its name, folder and size) before anything is
    // drawn, so a bad request costs no run.
    VideoExport video;
    bool exportsVideo = !options.videoFile.empty();
    if (exportsVideo && !video.open(options, pixelsFromSetting(viewWidth), pixelsFromSetting(viewHeight),
                                    expectedFrames(options, session.replay())))
        return 1;
    if (!options.headless || exportsVideo) {
        // A window that cannot be made ends the run as a failure; so does
        // "No" to a window instead of full screen: the user was told
        // "Program Will Now Close.", and it did not run as asked.
        WindowOpening opening = openWindow(windowSystem, renderer, windowTitle, pixelsFromSetting(viewWidth),
                                           pixelsFromSetting(viewHeight), displayColourBits, fullscreen);
        if (opening != WindowOpening::opened) return 1;
        renderer.buildFont();
    }
    beginTextureLoad();
    if (!startWorlds(startOptions, actions)) return 1;
    // A picture nobody watches shows what a patient user would see.
    if (!options.screenshotFile.empty() || exportsVideo)
        awaitFetchedTexturesPlaced([&windowSystem] { return windowSystem.quitPending(); });

    LoopPolicy policy;
    policy.goesOn = goesOnFor(options, session.replay(), windowSystem);
    policy.heldKeys = options.heldKeys;
    // What --watch reads anew starts the history anew.
    ProgramActions watchActions = actions;
    watchActions.readFile = [&shell, read = actions.readFile](const std::string& path, const std::string& prefix) {
        read(path, prefix);
        shell.time.worldsReplaced = true;
    };
    policy.atPassEnd = watchHook(windowSystem, options, watchActions, startUpReads);
    policy.restartWorlds = restartHook(startOptions, actions);
    // Backspace can come from a window, a replay, or whatever input a
    // recorded run is given; a plain headless run gets none.
    History history;
    if (!options.headless || session.replay() != nullptr || !options.recordFile.empty()) policy.history = &history;
    StepTimes times;
    if (options.stats) policy.stepTimes = &times;
    // The step counts late corrections only while someone reads them:
    // --stats, or the window's statistics line.
    StormRecord windowStorms;
    struct WatchStorms {
        WatchStorms(StormRecord* record) { stepContext.storms = record; }
        ~WatchStorms() { stepContext.storms = nullptr; }
    } watchStorms(options.stats ? &times.storms : options.headless ? nullptr : &windowStorms);
    bool screenshotWritten = false;
    if (!options.screenshotFile.empty())
        policy.afterDrawing = screenshotAfter(windowSystem, options, screenshotWritten);
    if (exportsVideo) policy.afterDrawing = video.afterDrawing(windowSystem);
    WindowRecording recording;
    if (!options.headless) {
        shell.recording = &recording;
        policy.afterDrawing = [&recording, &shell, screenshot = policy.afterDrawing](long framesDrawn) {
            if (screenshot) screenshot(framesDrawn);
            recording.afterDrawing(shell.windowSystem, shell.overlay);
        };
    }

    int exitCode = runMainLoop(shell, session.messages(), actions, windowSystem.clock(), policy);
    recording.stop(shell.overlay);
    // The window went at Alt+Enter and could not be made again (or the user
    // said No to a window instead of full screen): the run ends, as a failure.
    if (!options.headless && !windowIsOpen()) exitCode = 1;
    if (!options.screenshotFile.empty() && !screenshotWritten) exitCode = 1;
    if (exportsVideo && !video.finish(windowSystem)) exitCode = 1;
    if (!options.dumpFile.empty() && !writeStateDump(options.dumpFile)) {
        std::fprintf(stderr, "vantor: cannot write %s\n", options.dumpFile.c_str());
        exitCode = 1;
    }
    if (!session.close(error)) {
        std::fprintf(stderr, "vantor: %s\n", error.c_str());
        exitCode = 1;
    }
    if (options.stats) {
        printStepStatistics(times.passes, summariseSteps(times.stepMs, times.passCounts));
        printStormStatistics(times, 10);
    }
    return exitCode;
}

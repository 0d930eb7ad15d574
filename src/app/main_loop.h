// Start-up and the one main loop of every run: in a window, without one
// (headless), replaying a record, taking a screenshot. Each pass handles at
// most one message, steps every world, sleeps to the 20 ms frame and, with a
// window open, draws. How runs differ is a LoopPolicy and the window system
// the shell holds.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/history.h"
#include "app/run_options.h"
#include "app/step_statistics.h"
#include "app/window_procedure.h"
#include "sim/step_keys.h"

// What start-up and the loop do outside the window system: read a file
// (path and directory prefix) and step every world. The program passes the
// real reader and step; tests pass recorders.
struct ProgramActions {
    std::function<void(const std::string& path, const std::string& prefix)> readFile;
    std::function<void(const StepKeys& keys, std::string* hardSteps)> stepAllWorlds;
};

// The reader (a file that cannot be opened reads as empty, with a note) and
// the step.
ProgramActions programActions();

constexpr int64_t framePeriodMs = 20;
constexpr int64_t slowKeyDelayMs = 150;  // F2 held
constexpr int64_t stepKeyDelayMs = 50;   // S held

// How one run's loop differs from another's.
struct LoopPolicy {
    // Asked before every pass with the passes made so far; false ends the
    // loop as WM_QUIT does. Unset: only WM_QUIT ends it.
    std::function<bool(long passesMade)> goesOn;
    // Set in the key table before every step (--hold).
    std::vector<int> heldKeys;
    // Filled with the time and pass count of every step (--stats).
    StepTimes* stepTimes = nullptr;
    // After the frame is drawn, before it is shown, with the frames drawn
    // so far (--screenshot).
    std::function<void(long framesDrawn)> afterDrawing;
    // Last in every pass, once the frame is finished (--watch).
    std::function<void()> atPassEnd;
    // R: the worlds read again from their files.
    std::function<void()> restartWorlds;
    // The frames Backspace goes back through; none where nobody can press
    // it (a headless run that neither replays nor records).
    History* history = nullptr;
};

// Start-up in order (flush-to-zero, settings, window and font unless
// headless, first world, mark), then the loop, with the input replayed and
// recorded as the options ask, then the dump and the statistics. Returns
// the exit code: 0 after a run; 1 when the window cannot be opened (or the
// user declines a window in place of full screen), at start-up or at
// Alt+Enter, a replay cannot be read, or a record, dump or screenshot not
// written.
int runProgram(WindowSystem& windowSystem, Renderer& renderer, const RunOptions& options,
               const ProgramActions& actions);

// At most one message per pass, so a burst of input spreads over frames:
// the next message goes to the window procedure. False on WM_QUIT.
bool handleOneMessage(Shell& shell, MessageSource& messages);

// The loop alone, from a clock reading `mark`; returns 0 when it ends.
int runMainLoop(Shell& shell, MessageSource& messages, const ProgramActions& actions, int64_t mark,
                const LoopPolicy& policy = {});

// The sleep of one pass: the rest of the frame plus the held-key delays; -1
// when F3 is held (no sleep at all).
int64_t frameSleep(int64_t delay);

// The end of every pass, drawn or not: the last world becomes current (the
// mouse handlers act on it until the next step) and each console keeps the
// lines the overlay keeps.
void finishFrame();

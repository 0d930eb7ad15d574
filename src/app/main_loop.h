// Start-up and the paced main loop, written against the Platform seam: one
// message, one step, a sleep to the 20 ms frame, one drawing per pass.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/platform.h"
#include "app/run_options.h"

// What start-up and the loop do outside the window system: read a file
// (path and directory prefix) and step every world. The program passes the
// real reader and step; tests pass recorders.
struct ProgramActions {
    std::function<void(const std::string& path, const std::string& prefix)> readFile;
    std::function<void()> stepAllWorlds;
};

constexpr int64_t framePeriodMs = 20;
constexpr int64_t slowKeyDelayMs = 150;  // F2 held
constexpr int64_t stepKeyDelayMs = 50;   // S held

// Start-up in order (flush-to-zero, settings, window, font, first world,
// mark), then the loop, with the input replayed and recorded as the options
// ask, and the state dumped after it. Returns the exit code: 0, also when
// the window cannot be opened; 1 when a replay cannot be read or a record
// or dump not written.
int runProgram(Platform& platform, const RunOptions& options, const ProgramActions& actions);

// At most one message per pass, so a burst of input spreads over frames:
// the next queued message goes to the window procedure. False on WM_QUIT.
bool handleOneMessage(Platform& platform);

// The loop alone, from a clock reading `mark`; returns 0 on WM_QUIT.
int runMainLoop(Platform& platform, const ProgramActions& actions, int64_t mark);

// The sleep of one pass: the rest of the frame plus the held-key delays; -1
// when F3 is held (no sleep at all).
int64_t frameSleep(int64_t delay);

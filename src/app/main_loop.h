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
// mark), then the loop. Returns the exit code: 0, also when the window
// cannot be opened.
int runProgram(Platform& platform, const RunOptions& options, const ProgramActions& actions);

// The loop alone, from a clock reading `mark`; returns 0 on WM_QUIT.
int runMainLoop(Platform& platform, const ProgramActions& actions, int64_t mark);

// The sleep of one pass: the rest of the frame plus the held-key delays; -1
// when F3 is held (no sleep at all).
int64_t frameSleep(int64_t delay);

// The command line: turns argv into RunOptions.
#pragma once

#include <iostream>
#include <optional>
#include <string>

#include "app/run_options.h"

// Exit code of a command line that cannot be parsed.
constexpr int usageErrorExitCode = 2;

// Parses the command line into `options`. Returns true when the program
// should go on and run; false when it should end at once with `exitCode`
// (0 after --help, non-zero after a usage error, whose message and the
// usage go to `err`).
bool parseOptions(int argc, char** argv, RunOptions& options, int& exitCode, std::ostream& out = std::cout,
                  std::ostream& err = std::cerr);

// The virtual-key code of a key name accepted by --hold (space, ctrl, j,
// k, l, s, f1, f2, f3, f9; any letter case), or nothing for an unknown name.
std::optional<int> heldKeyCode(const std::string& name);

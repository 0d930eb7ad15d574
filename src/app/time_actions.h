// What the loop does for the time keys once their message is handled: F5
// writes the state to a file named for the moment, R reads the worlds again;
// and what a drop does with state files among the dropped files.
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "app/time_control.h"

// "vantor-YYYYMMDD-HHMMSS.state.json" for the local time `now`.
std::string stateFileName(std::time_t now);

// F5: the state to a new file in the current directory (a name already
// taken gets "-2", "-3" ... before ".state.json"); its name goes to
// standard output and to the status line. Returns the name, or empty when
// the file could not be written (said on standard error and the status line).
std::string saveStateNow(TimeControl& time);

// Serves the requests of this pass's message: F5 saves, R calls `restart`
// (nothing without one).
void serveTimeRequests(TimeControl& time, const std::function<void()>& restart);

// The state files of a drop ("*.state.json") are loaded in turn, each in
// place of every world; one that is not a state is refused with a line on
// standard error and the status line, and changes nothing. Returns the
// other files, to be read as world files.
std::vector<std::string> loadDroppedStates(TimeControl& time, const std::vector<std::string>& paths);

// Where the settings and the first world come from when the command line
// does not say: rsc/ in the current directory when there is one, else the
// data installed with the program, found from the executable's own path
// (<prefix>/bin/vantor reads <prefix>/share/vantor/rsc), so an install
// that is moved elsewhere still finds its data.
#pragma once

#include <iosfwd>
#include <string>

#include "app/run_options.h"

// The running program's own path, links resolved; empty when unknown.
std::string executablePath();

// The installed data directory that belongs to the executable at
// `executable`, ending with "/"; empty when the executable is unknown.
std::string installedDataDirectory(const std::string& executable);

// Points the settings and world files left at their defaults to
// `installedDirectory` when the current directory has no rsc/. When neither
// is there, writes one line saying so to `err` (there is nothing to show).
void locateData(RunOptions& options, const std::string& installedDirectory, std::ostream& err);

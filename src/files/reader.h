// The one reader of every text file: settings and world files.
#pragma once

#include <istream>
#include <string>

#include "sim/records.h"

// Top level: settings keys and "W" world blocks; every world read is
// appended to `worlds`. `prefix` ends with "/" or is empty and goes in front
// of every file name the file gives. `sourceName` only names the input in
// the notes about problems (see files/diagnostics.h). A stream that failed
// to open reads as empty.
void loadFile(std::istream& input, const std::string& prefix, const std::string& sourceName = "<input>");

// loadFile on the file at `path`; false when it cannot be opened (nothing
// is read then).
bool loadFilePath(const std::string& path, const std::string& prefix);

// The inside of a world block: its models join `world`, which is made
// current first.
void readWorld(World& world, std::istream& input, const std::string& prefix);

// readWorld on the file at `path` (a dropped file). False when it cannot be
// opened.
bool readWorldPath(World& world, const std::string& path, const std::string& prefix);

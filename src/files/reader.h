// The one reader of every text file: settings and world files.
#pragma once

#include <istream>
#include <string>

// Top level: settings keys and "W" world blocks; every world read is
// appended to `worlds`. `prefix` ends with "/" or is empty.
void loadFile(std::istream& input, const std::string& prefix);

// The top-level settings keys "w", "f" and "s" of any file loadFile reads.
#pragma once

#include <istream>

// Reads the arguments of settings key `key` ("w", "f" or "s") and applies
// them to the display settings.
void readSettingsKey(std::istream& input, char key);

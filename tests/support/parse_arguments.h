// The command line as the program gets it, for tests of the options.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "app/options.h"

// Parses `words` (without the program's name) into `options`; what the
// parser prints is dropped.
inline bool parseArguments(std::vector<std::string> words, RunOptions& options, int& exitCode) {
    words.insert(words.begin(), "vantor");
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    std::ostringstream out, err;
    return parseOptions(static_cast<int>(argv.size()), argv.data(), options, exitCode, out, err);
}

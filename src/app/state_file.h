// Loading a saved state: the document a dump writes (docs/state-format.md),
// read back into worlds, the time scale, the step's working values, the
// generator and the consoles. A state is checked whole before anything is
// replaced, so a file that is not one leaves the running state as it was.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

// What a state file may hold: far more than any session makes, and far less
// than would exhaust memory.
constexpr uint64_t maxStateFileBytes = uint64_t{256} << 20;

// Reads the state in `path` and puts it in place of the process's. On a
// file that is not a sound state nothing changes, and `error` says what is
// wrong: "bad JSON at byte 12", "worlds[0].models[1].bodies[2].vx: not a
// finite number", "version 2 (this program reads 1)".
bool loadStateFile(const std::string& path, std::string& error);

// The same for a document already parsed.
bool loadState(const nlohmann::json& state, std::string& error);

// A file name ends so when it holds a state ("*.state.json").
bool isStateFileName(const std::string& path);

// The whole simulation state as JSON: globals, overlay consoles and every
// world down to each shape's contours. The schema is in docs/state-format.md.
// Objects keep their keys in record order, for people reading the file.
#pragma once

#include <ostream>
#include <string>

#include <nlohmann/json.hpp>

// The format's version: a state file of another version is refused.
constexpr int stateFormatVersion = 1;

// A float as a JSON value that reads back to the same float bit for bit:
// a number with 9 significant digits, or the string "nan", "inf" or "-inf"
// (JSON has no number for those).
nlohmann::ordered_json floatJson(float value);

// The state of the process as one JSON document.
nlohmann::ordered_json stateJson();

// Serialises a dump; text that is not valid UTF-8 (a name from a file in
// another encoding) has its bad bytes replaced by U+FFFD.
void writeStateJson(std::ostream& out, const nlohmann::ordered_json& state);

// Writes stateJson() to `path`. False when the file cannot be written.
bool writeStateDump(const std::string& path);

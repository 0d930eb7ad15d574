// The record as text: one line per message, read into entries and written
// back. A record starts with its header line, "vantor-record 1"; the format
// is described in docs/record-replay.md. The message sources that replay and
// write records are in app/replay.h.
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "app/messages.h"

// The first line of every record, and the one version this reader knows.
constexpr int recordVersion = 1;
constexpr const char* recordHeader = "vantor-record 1";

// One line of a record.
struct ReplayEntry {
    enum class Kind { message, view, state };
    long iteration = 0;  // the loop pass, counted from 0
    Kind kind = Kind::message;
    Message message;                 // message lines; WM_QUIT ends the run
    std::vector<std::string> files;  // WM_DROPFILES: the dropped paths in order; state: the state file
    // View lines: the display state a message left behind without a
    // WM_SIZE saying so (the start-up window, an Alt+Enter toggle).
    float viewWidth = 0.0f, viewHeight = 0.0f;
    bool fullscreen = false;
};

// What a record may hold: a message every pass for more than eleven hours,
// in a text far longer than that takes. Past either the record is refused
// rather than held in memory.
constexpr size_t maxRecordMessages = size_t{1} << 21;
constexpr uint64_t maxRecordBytes = uint64_t{256} << 20;

// Reads a whole record. On the first line that cannot be read, returns
// nothing and sets `error` to "line N: what is wrong": so also for a file
// that does not start with the header line or names another version, a pass
// past 2^31 (no session reaches it; a replay would run for years) and a
// view size past largestViewSize.
std::optional<std::vector<ReplayEntry>> parseReplay(std::istream& input, std::string& error);

// One line, without its end.
std::string formatReplayEntry(const ReplayEntry& entry);

// The name a record uses for a message number ("WM_KEYDOWN"), or its number
// in hexadecimal.
std::string messageName(uint32_t message);

// One-line notes about input the reader could not use: what stopped a
// stream, what was skipped or refused. The user never sees them in the
// window; they go to standard error unless a test points the sink elsewhere.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>

// Where the notes go; std::cerr at start.
extern std::ostream* diagnosticSink;

// Writes "vantor: <source>:<line>: <what>" for the stream's current position.
void reportReadProblem(std::istream& input, const std::string& what);

// True once the notes of this top-level read are used up: a caller may skip
// building a note that would not be written (a binary file can ask for one
// per byte).
bool readProblemsSilenced(std::istream& input);

// Runs `read` with its notes kept instead of written and returns them, one
// a line (--check and --watch count them before passing them on).
std::string collectNotes(const std::function<void()>& read);

// Back to std::cerr (tests).
void resetDiagnosticSink();

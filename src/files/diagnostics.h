// One-line notes about input the reader could not use: what stopped a
// stream, what was skipped or refused. The user never sees them in the
// window; they go to standard error unless a test points the sink elsewhere.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

// Where the notes go; std::cerr at start.
extern std::ostream* diagnosticSink;

class LineCountingBuffer;

// Writes "vantor: <source>:<line>: <what>" for the stream's current position.
// Nothing more is written for a read that a budget has stopped: its last
// note says why it stopped.
void reportReadProblem(std::istream& input, const std::string& what);
void reportReadProblemAt(LineCountingBuffer& where, const std::string& what, long line = 0);

// The line of the key the reader took last on `input` (0 for a stream that
// does not count lines). A block reader takes it as it starts: its notes
// then name the line where the block begins.
long keyLineOf(std::istream& input);

// A note at `line` of `file` (a file of the read `input` belongs to),
// counted with the read's other notes.
void reportReadProblemAtPlace(std::istream& input, const std::string& file, long line, const std::string& what);

// The name of the file `input` reads ("<input>" for a plain stream).
std::string sourceNameOf(std::istream& input);

// A note at `line` of the file `input` reads (its current line when 0).
void reportReadProblemAtLine(std::istream& input, long line, const std::string& what);

// `text` with its control characters written as escapes ("\0", "\n",
// "\x01"), so that a note is one line of printable text whatever a file
// name in it holds.
std::string printable(const std::string& text);

// A number as a note shows it: 1e12, 1e-12, 0.01, 262144 (six significant
// digits, the exponent without "+" and leading zeros).
std::string numberText(double value);

// A count in groups of three digits: 1 048 576.
std::string groupedNumber(uint64_t count);

// True once the notes of this top-level read are used up: a caller may skip
// building a note that would not be written (a binary file can ask for one
// per byte).
bool readProblemsSilenced(std::istream& input);

// Runs `read` with its notes kept instead of written and returns them, one
// a line (--check and --watch count them before passing them on).
std::string collectNotes(const std::function<void()>& read);

// Back to std::cerr (tests).
void resetDiagnosticSink();

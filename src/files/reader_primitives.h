// The lexical rules every block shares: keys, blanks, numbers, vectors,
// texts, comments, the placement keys "z" "x" "a" and inclusion "f".
//
// A value that cannot be read puts the stream into its failed state, and
// every reader on that stream stops at its next key: the rest of the file is
// ignored, what was built so far stays. Each primitive writes one note when
// it is the one that failed the stream.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <string>

#include "sim/records.h"

// Deepest nesting of "f" includes; a file that includes itself stops here.
constexpr int maxIncludeDepth = 32;

// The block loop's head: stops (false) at end of input or on a failed
// stream; otherwise reads one key, white space skipped, and the blanks after
// it, so the argument reader starts on the first non-blank character.
bool readKey(std::istream& input, char& key);

// Skips white space without reading anything else.
void skipBlanks(std::istream& input);

// The stream's float extraction; a value that does not fit a float, and any
// non-number, fails the stream.
bool readNumber(std::istream& input, float& value);

// The stream's decimal integer extraction.
bool readInteger(std::istream& input, long long& value);
bool readIndex(std::istream& input, uint32_t& value);

// An integer in C notation: "0x..." hexadecimal, "0..." octal, else decimal.
// The stream is back to decimal afterwards.
bool readMask(std::istream& input, uint32_t& value);

// "p r θ" (no blank between "p" and what the key left) is polar, θ in
// degrees; otherwise two numbers x, y.
bool readVector(std::istream& input, Point& vector);

// A quoted text ('...' or "..."), blanks and line breaks kept, or one
// blank-delimited word.
bool readText(std::istream& input, std::string& text);

// A text that names a file; refused with a note (false, the stream still
// good) when it holds a NUL byte, which no file name can.
bool readFileName(std::istream& input, std::string& name);

// One further character after a key, white space skipped.
bool readSubKey(std::istream& input, char& subKey);

// The key "/": the rest of the line, line break included. A "\r" also ends
// it (with a "\n" right after it), so CRLF and CR files read like LF ones.
void skipComment(std::istream& input);

// The character "x" discards before its vector, whatever it is.
bool discardSeparator(std::istream& input);

// The placement keys of world, model, body, shape and textured-polygon
// blocks, each acting from the left on `placement`.
bool isPlacementKey(char key);
void readPlacementKey(std::istream& input, char key, Placement& placement);

// Whether both coordinates lie within ±maxCoordinate (files/value_ranges.h).
bool isWithinCoordinateRange(Point p);

// `placement` applied to `p`; a result beyond the coordinate range fails
// the stream: the step's products of such coordinates could overflow.
bool mapPoint(std::istream& input, const Placement& placement, Point p, Point& mapped);

// Fails the stream on purpose, with a note saying why.
void failStream(std::istream& input, const std::string& why);

// A note for a key the block does not define (skipped as the syntax says).
// "{" is the ignored key every block opens with and is not reported.
void noteIgnoredKey(std::istream& input, char key, const char* block);

// The key "f": reads the file name, opens prefix + name and runs `readBlock`
// on it with the included file's own directory as prefix. A file that cannot
// be opened adds nothing; a failure inside it stops only that file.
using BlockReader = std::function<void(std::istream& included, const std::string& prefix)>;
void includeFile(std::istream& including, const std::string& prefix, const BlockReader& readBlock);

// The directory part of a path, up to and including its last "/"; empty
// when the path holds no "/". File names inside a file are read relative
// to it.
std::string directoryOfPath(const std::string& path);

#include "files/reader_primitives.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <limits>
#include <memory>
#include <numbers>

#include "files/diagnostics.h"
#include "files/line_counting_buffer.h"
#include "files/read_budget.h"
#include "files/read_log.h"
#include "files/value_ranges.h"

// Files that one top-level read may open through "f", all levels together:
// a file that includes itself twice would otherwise be read 2^32 times.
static constexpr int maxIncludesPerRead = 4096;

// Degrees in files, radians in memory; the product is formed in double.
static double radiansFromDegrees(float degrees) { return static_cast<double>(degrees) * std::numbers::pi / 180.0; }

void failStream(std::istream& input, const std::string& why) {
    if (input.fail()) return;
    reportReadProblem(input, why);
    input.setstate(std::ios::failbit);
}

// Called after an extraction that failed a stream which was readable before.
static void noteFailedRead(std::istream& input, const char* expected) {
    if (input.eof())
        reportReadProblem(input, std::string("input ends where ") + expected + " was expected");
    else
        reportReadProblem(input, std::string("cannot read ") + expected + "; reading of this file stops");
}

// White space of the "C" locale, the one every reader stream uses.
static bool isBlank(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Straight on the stream buffer: the stream's own extraction looks up its
// locale's facets on every call, which made megabytes of characters that a
// block skips one key at a time cost many seconds.
static void skipBlankCharacters(std::istream& input) {
    using traits = std::istream::traits_type;
    std::streambuf* buffer = input.rdbuf();
    for (int c = buffer->sgetc();; c = buffer->snextc()) {
        if (c == traits::eof()) {
            input.setstate(std::ios::eofbit);
            return;
        }
        if (!isBlank(c)) return;
    }
}

bool readKey(std::istream& input, char& key) {
    if (input.eof() || input.fail()) return false;
    skipBlankCharacters(input);
    int c = input.rdbuf()->sbumpc();
    if (c == std::istream::traits_type::eof()) {
        input.setstate(std::ios::eofbit | std::ios::failbit);
        return false;
    }
    key = static_cast<char>(c);
    if (LineCountingBuffer* counting = countingBufferOf(input)) counting->markKey();
    skipBlankCharacters(input);
    return true;
}

void skipBlanks(std::istream& input) {
    // Like std::ws rather than extract-and-put-back: at the end of the input
    // it sets only eofbit, so a key without arguments at the very end still acts.
    if (!input.fail()) skipBlankCharacters(input);
}

bool readNumber(std::istream& input, float& value) {
    if (input.fail()) return false;
    float read = 0.0f;
    input >> read;
    if (input.fail()) {
        // The extraction leaves the largest float behind when the text
        // overflows one (1e39): such a number is refused like a bad one.
        if (std::fabs(read) == std::numeric_limits<float>::max())
            reportReadProblem(input, "number out of float range; reading of this file stops");
        else
            noteFailedRead(input, "a number");
        return false;
    }
    if (!std::isfinite(read)) {
        failStream(input, "number is not finite; reading of this file stops");
        return false;
    }
    value = read;
    return true;
}

bool readInteger(std::istream& input, long long& value) {
    if (input.fail()) return false;
    long long read = 0;
    if (!(input >> read)) {
        noteFailedRead(input, "an integer");
        return false;
    }
    value = read;
    return true;
}

bool readIndex(std::istream& input, uint32_t& value) {
    if (input.fail()) return false;
    uint32_t read = 0;
    if (!(input >> read)) {
        noteFailedRead(input, "an index");
        return false;
    }
    value = read;
    return true;
}

bool readMask(std::istream& input, uint32_t& value) {
    if (input.fail()) return false;
    uint32_t read = 0;
    input >> std::setbase(0) >> read;
    input >> std::dec;
    if (input.fail()) {
        noteFailedRead(input, "a mask");
        return false;
    }
    value = read;
    return true;
}

bool readVector(std::istream& input, Point& vector) {
    if (input.fail()) return false;
    if (input.peek() == 'p') {
        input.get();
        float radius = 0.0f, degrees = 0.0f;
        if (!readNumber(input, radius) || !readNumber(input, degrees)) return false;
        double angle = radiansFromDegrees(degrees);
        vector = {static_cast<float>(radius * std::cos(angle)), static_cast<float>(radius * std::sin(angle))};
        return true;
    }
    float x = 0.0f, y = 0.0f;
    if (!readNumber(input, x) || !readNumber(input, y)) return false;
    vector = {x, y};
    return true;
}

// The rest of a quoted text, up to its closing `delimiter`: getline's
// reading, with a bound on the length.
static bool readQuoted(std::istream& input, int delimiter, std::string& quoted) {
    using traits = std::istream::traits_type;
    std::streambuf* buffer = input.rdbuf();
    for (int c = buffer->sbumpc();; c = buffer->sbumpc()) {
        if (c == traits::eof()) {
            input.setstate(quoted.empty() ? std::ios::eofbit | std::ios::failbit : std::ios::eofbit);
            reportReadProblem(input, "quoted text not closed before the end of the file");
            return !input.fail();
        }
        if (c == delimiter) return true;
        if (quoted.size() >= maxTextLength) {
            failStream(input,
                       "text longer than " + groupedNumber(maxTextLength) + " characters; reading of this file stops");
            return false;
        }
        quoted += static_cast<char>(c);
    }
}

// One blank-delimited word: the stream's string extraction, with a bound on
// the length.
static bool readWord(std::istream& input, std::string& word) {
    using traits = std::istream::traits_type;
    skipBlanks(input);
    if (input.eof()) {
        input.setstate(std::ios::failbit);
        noteFailedRead(input, "a text");
        return false;
    }
    std::streambuf* buffer = input.rdbuf();
    for (int c = buffer->sgetc();; c = buffer->snextc()) {
        if (c == traits::eof()) {
            input.setstate(std::ios::eofbit);
            return true;
        }
        if (isBlank(c)) return true;
        if (word.size() >= maxTextLength) {
            failStream(input,
                       "text longer than " + groupedNumber(maxTextLength) + " characters; reading of this file stops");
            return false;
        }
        word += static_cast<char>(c);
    }
}

bool readText(std::istream& input, std::string& text) {
    if (input.fail()) return false;
    int first = input.peek();
    std::string read;
    if (first == '"' || first == '\'') {
        input.get();
        if (!readQuoted(input, first, read)) return false;
    } else if (!readWord(input, read)) {
        return false;
    }
    text = std::move(read);
    return true;
}

bool readSubKey(std::istream& input, char& subKey) {
    if (input.fail()) return false;
    if (!(input >> subKey)) {
        noteFailedRead(input, "a sub-key");
        return false;
    }
    return true;
}

// Straight on the stream buffer, like skipBlankCharacters: a read may hold
// hundreds of megabytes of comments. At the end of the input the stream
// ends as the stream's own get() would leave it.
void skipComment(std::istream& input) {
    using traits = std::istream::traits_type;
    std::streambuf* buffer = input.rdbuf();
    for (int c = buffer->sbumpc();; c = buffer->sbumpc()) {
        if (c == traits::eof()) {
            input.setstate(std::ios::eofbit | std::ios::failbit);
            return;
        }
        if (c == '\n') return;
        if (c == '\r') {
            int next = buffer->sgetc();
            if (next == traits::eof())
                input.setstate(std::ios::eofbit);
            else if (next == '\n')
                buffer->sbumpc();
            return;
        }
    }
}

bool discardSeparator(std::istream& input) {
    if (input.fail()) return false;
    if (input.get() == std::istream::traits_type::eof()) {
        noteFailedRead(input, "a vector");
        return false;
    }
    return true;
}

bool isPlacementKey(char key) { return key == 'z' || key == 'x' || key == 'a'; }

static bool isFinitePlacement(const Placement& p) {
    return std::isfinite(p.a) && std::isfinite(p.b) && std::isfinite(p.tx) && std::isfinite(p.c) &&
           std::isfinite(p.d) && std::isfinite(p.ty);
}

// One column (u, v) of the matrix turned by the rotation (cosine, sine).
static void rotateColumn(float& u, float& v, double cosine, double sine) {
    double turnedU = cosine * u - sine * v;
    double turnedV = sine * u + cosine * v;
    u = static_cast<float>(turnedU);
    v = static_cast<float>(turnedV);
}

void readPlacementKey(std::istream& input, char key, Placement& placement) {
    Placement changed = placement;
    if (key == 'z') {
        Point scale;
        if (!readVector(input, scale)) return;
        changed.a *= scale.x, changed.b *= scale.x, changed.tx *= scale.x;
        changed.c *= scale.y, changed.d *= scale.y, changed.ty *= scale.y;
    } else if (key == 'x') {
        Point shift;
        if (!discardSeparator(input) || !readVector(input, shift)) return;
        changed.tx += shift.x;
        changed.ty += shift.y;
    } else if (key == 'a') {
        float degrees = 0.0f;
        if (!readNumber(input, degrees)) return;
        double angle = radiansFromDegrees(degrees);
        double cosine = std::cos(angle), sine = std::sin(angle);
        rotateColumn(changed.a, changed.c, cosine, sine);
        rotateColumn(changed.b, changed.d, cosine, sine);
        rotateColumn(changed.tx, changed.ty, cosine, sine);
    }
    if (!isFinitePlacement(changed)) {
        failStream(input, std::string("placement key '") + key + "' overflows a float; reading of this file stops");
        return;
    }
    placement = changed;
}

bool isWithinCoordinateRange(Point p) {
    return std::fabs(p.x) <= maxCoordinate && std::fabs(p.y) <= maxCoordinate;  // false for NaN too
}

bool mapPoint(std::istream& input, const Placement& placement, Point p, Point& mapped) {
    Point result = placement.apply(p);
    if (!isWithinCoordinateRange(result)) {
        failStream(input,
                   "point lies beyond ±" + numberText(maxCoordinate) + " once placed; reading of this file stops");
        return false;
    }
    mapped = result;
    return true;
}

void noteIgnoredKey(std::istream& input, char key, const char* block) {
    if (key == '{' || readProblemsSilenced(input)) return;
    unsigned char code = static_cast<unsigned char>(key);
    std::string shown;
    if (code > 32 && code < 127)
        shown = std::string("'") + key + "'";
    else
        shown = "of code " + std::to_string(code);
    reportReadProblemAtLine(input, keyLineOf(input), "key " + shown + " means nothing in " + block + "; skipped");
}

std::string directoryOfPath(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool readFileName(std::istream& input, std::string& name) {
    std::string text;
    if (!readText(input, text)) return false;
    // The system would see the name end at the NUL: "sub/\0x" names the folder.
    if (text.find('\0') != std::string::npos) {
        reportReadProblem(input, "file name \"" + text + "\" holds a NUL byte; skipped");
        return false;
    }
    name = std::move(text);
    return true;
}

void includeFile(std::istream& including, const std::string& prefix, const BlockReader& readBlock) {
    std::string name;
    if (!readFileName(including, name)) return;
    // An absolute name stands as it is; a relative one is read from the
    // including file's folder.
    std::string path = !name.empty() && name.front() == '/' ? name : prefix + name;
    LineCountingBuffer* parent = countingBufferOf(including);
    int depth = parent ? parent->includeDepth() + 1 : 1;
    if (depth > maxIncludeDepth) {
        reportReadProblem(
            including, "includes nested deeper than " + std::to_string(maxIncludeDepth) + "; \"" + path + "\" skipped");
        return;
    }
    if (parent && parent->includesOpened() >= maxIncludesPerRead) {
        reportReadProblem(including, "more than " + std::to_string(maxIncludesPerRead) + " includes in one read; \"" +
                                         path + "\" skipped");
        return;
    }
    logFileRead(path);
    // Only regular files: a device or a pipe could feed the reader forever.
    std::error_code error;
    std::ifstream file;
    if (std::filesystem::is_regular_file(path, error)) file.open(path);
    if (!file.is_open()) {
        reportReadProblem(including, "cannot open included file \"" + path + "\"; it adds nothing");
        return;
    }
    if (parent) parent->includesOpened() += 1;
    auto buffer = std::make_unique<LineCountingBuffer>(file.rdbuf(), path, parent);
    std::istream included(buffer.get());
    readBlock(included, directoryOfPath(path));
}

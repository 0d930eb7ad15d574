#include "app/record_format.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "files/settings.h"

namespace {

struct MessageName {
    uint32_t number;
    const char* name;
};

constexpr std::array<MessageName, 19> messageNames{{
    {wm::size, "WM_SIZE"},
    {wm::activate, "WM_ACTIVATE"},
    {wm::close, "WM_CLOSE"},
    {wm::quit, "WM_QUIT"},
    {wm::keyDown, "WM_KEYDOWN"},
    {wm::keyUp, "WM_KEYUP"},
    {wm::sysKeyDown, "WM_SYSKEYDOWN"},
    {wm::sysKeyUp, "WM_SYSKEYUP"},
    {wm::sysCommand, "WM_SYSCOMMAND"},
    {wm::mouseMove, "WM_MOUSEMOVE"},
    {wm::leftButtonDown, "WM_LBUTTONDOWN"},
    {wm::leftButtonUp, "WM_LBUTTONUP"},
    {wm::rightButtonDown, "WM_RBUTTONDOWN"},
    {wm::rightButtonUp, "WM_RBUTTONUP"},
    {wm::middleButtonDown, "WM_MBUTTONDOWN"},
    {wm::middleButtonUp, "WM_MBUTTONUP"},
    {wm::mouseWheel, "WM_MOUSEWHEEL"},
    {wm::dropFiles, "WM_DROPFILES"},
    {0x0000, "WM_NULL"},
}};

// Messages whose lParam is a client point or size, written as "x,y".
bool carriesPoint(uint32_t message) {
    switch (message) {
        case wm::size:
        case wm::mouseMove:
        case wm::leftButtonDown:
        case wm::leftButtonUp:
        case wm::rightButtonDown:
        case wm::rightButtonUp:
        case wm::middleButtonDown:
        case wm::middleButtonUp:
        case wm::mouseWheel:
            return true;
        default:
            return false;
    }
}

std::string hex(uint64_t value) {
    std::ostringstream text;
    text << "0x" << std::hex << std::uppercase << value;
    return text.str();
}

// A token as an error message shows it: at most 40 characters, anything but
// printable ASCII as \xNN, so a line of binary or a million characters
// still makes one short line on the error stream.
std::string shown(const std::string& token) {
    constexpr size_t longest = 40;
    std::string out;
    size_t i = 0;
    for (; i < token.size() && out.size() < longest; ++i) {
        auto c = static_cast<unsigned char>(token[i]);
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            out += escape;
        }
    }
    return "\"" + out + (i < token.size() ? "\"..." : "\"");
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + '"';
}

// A line split at blanks; "..." is one token, with \" and \\ inside it.
bool splitLine(const std::string& line, std::vector<std::string>& tokens, std::string& error) {
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
            ++i;
            continue;
        }
        std::string token;
        if (line[i] == '"') {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char c = line[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && i < line.size()) c = line[i++];
                token += c;
            }
            if (!closed) {
                error = "unclosed quotation mark";
                return false;
            }
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') token += line[i++];
        }
        tokens.push_back(std::move(token));
    }
    return true;
}

// A whole unsigned number, decimal or 0x hexadecimal, within 64 bits.
bool readUnsigned(const std::string& text, uint64_t& value) {
    if (text.empty() || text[0] == '-' || text[0] == '+') return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long parsed = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || end == text.c_str() || *end != '\0') return false;
    value = parsed;
    return true;
}

// Passes come fifty a second: 2^31 of them is more than a year and a
// quarter of a session, which no record holds; a larger one asks a
// replay for endless work.
constexpr uint64_t lastPass = uint64_t{1} << 31;

bool readIteration(const std::string& text, long& iteration) {
    uint64_t value = 0;
    if (!readUnsigned(text, value) || value > lastPass) return false;
    iteration = static_cast<long>(value);
    return true;
}

// "x,y" packs two 16-bit halves; anything else is the whole number.
bool readLParam(const std::string& text, intptr_t& lParam) {
    size_t comma = text.find(',');
    if (comma == std::string::npos) {
        uint64_t value = 0;
        if (!readUnsigned(text, value)) return false;
        lParam = static_cast<intptr_t>(value);
        return true;
    }
    uint64_t x = 0, y = 0;
    if (!readUnsigned(text.substr(0, comma), x) || !readUnsigned(text.substr(comma + 1), y)) return false;
    if (x > 0xFFFF || y > 0xFFFF) return false;
    lParam = packLParam(static_cast<int>(x), static_cast<int>(y));
    return true;
}

bool readMessageNumber(const std::string& text, uint32_t& number) {
    for (const MessageName& entry : messageNames)
        if (text == entry.name) {
            number = entry.number;
            return true;
        }
    uint64_t value = 0;
    if (!readUnsigned(text, value) || value > 0xFFFFFFFFu) return false;
    number = static_cast<uint32_t>(value);
    return true;
}

bool readSize(const std::string& text, float& size) {
    errno = 0;
    char* end = nullptr;
    size = std::strtof(text.c_str(), &end);
    return errno == 0 && end != text.c_str() && *end == '\0' && std::isfinite(size) && size >= 0.0f &&
           size <= largestViewSize;
}

bool readView(const std::vector<std::string>& tokens, ReplayEntry& entry, std::string& error) {
    entry.kind = ReplayEntry::Kind::view;
    if (tokens.size() != 5 || !readSize(tokens[2], entry.viewWidth) || !readSize(tokens[3], entry.viewHeight) ||
        (tokens[4] != "windowed" && tokens[4] != "fullscreen")) {
        error = "expected \"view WIDTH HEIGHT windowed|fullscreen\", sizes from 0 to 16777216";
        return false;
    }
    entry.fullscreen = tokens[4] == "fullscreen";
    return true;
}

bool readMessage(const std::vector<std::string>& tokens, ReplayEntry& entry, std::string& error) {
    if (!readMessageNumber(tokens[1], entry.message.message)) {
        error = "unknown message " + shown(tokens[1]);
        return false;
    }
    if (entry.message.message == wm::dropFiles) {
        entry.files.assign(tokens.begin() + 2, tokens.end());
        return true;
    }
    if (tokens.size() > 4) {
        error = "more than wParam and lParam after the message";
        return false;
    }
    uint64_t wParam = 0;
    if (tokens.size() > 2 && !readUnsigned(tokens[2], wParam)) {
        error = "wParam " + shown(tokens[2]) + " is not a whole number below 2^64";
        return false;
    }
    entry.message.wParam = static_cast<uintptr_t>(wParam);
    if (tokens.size() > 3 && !readLParam(tokens[3], entry.message.lParam)) {
        error = "lParam " + shown(tokens[3]) + " is neither a whole number nor x,y with halves below 65536";
        return false;
    }
    return true;
}

bool readEntry(const std::vector<std::string>& tokens, ReplayEntry& entry, std::string& error) {
    if (tokens.size() < 2) {
        error = "expected a pass number and a message";
        return false;
    }
    if (!readIteration(tokens[0], entry.iteration)) {
        error = "pass " + shown(tokens[0]) + " is not a whole number up to 2^31";
        return false;
    }
    if (tokens[1] == "view") return readView(tokens, entry, error);
    if (tokens[1] == "state") {
        if (tokens.size() != 3 || entry.iteration != 0) {
            error = "expected \"0 state \"FILE\"\"";
            return false;
        }
        entry.kind = ReplayEntry::Kind::state;
        entry.files = {tokens[2]};
        return true;
    }
    return readMessage(tokens, entry, error);
}

}  // namespace

std::string messageName(uint32_t message) {
    for (const MessageName& entry : messageNames)
        if (entry.number == message) return entry.name;
    return hex(message);
}

namespace {

// The next line without its break, read only as far as a record line can
// reach: false at the end of the input; `tooLong` when the line does not fit.
bool readLine(std::istream& input, std::string& line, bool& tooLong) {
    constexpr size_t longestLine = 1 << 16;
    line.clear();
    tooLong = false;
    std::istream::int_type c;
    while ((c = input.get()) != std::istream::traits_type::eof()) {
        if (c == '\n') return true;
        if (line.size() == longestLine) {
            tooLong = true;
            return true;
        }
        line += static_cast<char>(c);
    }
    return !line.empty();
}

// Text lines only: a control character (other than tab and carriage
// return) means the file is not a record.
bool isText(const std::string& line, std::string& error) {
    for (char c : line) {
        auto code = static_cast<unsigned char>(c);
        if (code < 0x20 && c != '\t' && c != '\r') {
            char text[64];
            std::snprintf(text, sizeof text, "control character 0x%02X: not a record", code);
            error = text;
            return false;
        }
    }
    return true;
}

// The first line: "vantor-record VERSION". A file without it is not a
// record (or one written before records had it); a later version may mean
// lines this reader would take for something else, so it is refused too.
bool readHeader(const std::vector<std::string>& tokens, std::string& error) {
    if (tokens.size() != 2 || tokens[0] != "vantor-record") {
        error = std::string("not a record: the first line must be \"") + recordHeader + "\"";
        return false;
    }
    if (tokens[1] != std::to_string(recordVersion)) {
        error = "record version " + shown(tokens[1]) + ": this Vantor reads version " + std::to_string(recordVersion);
        return false;
    }
    return true;
}

}  // namespace

std::optional<std::vector<ReplayEntry>> parseReplay(std::istream& input, std::string& error) {
    std::vector<ReplayEntry> entries;
    std::string line;
    bool tooLong = false;
    long number = 0;
    uint64_t bytesRead = 0;
    auto fail = [&](const std::string& problem) {
        error = "line " + std::to_string(number) + ": " + problem;
        return std::nullopt;
    };
    while (readLine(input, line, tooLong)) {
        ++number;
        if (tooLong) return fail("longer than any record line (65536 characters)");
        bytesRead += line.size() + 1;
        if (bytesRead > maxRecordBytes) return fail("past the longest record read (256 MiB)");
        std::vector<std::string> tokens;
        std::string problem;
        if (!isText(line, problem) || !splitLine(line, tokens, problem)) return fail(problem);
        if (number == 1) {
            if (!readHeader(tokens, problem)) return fail(problem);
            continue;
        }
        if (tokens.empty() || tokens[0][0] == '#') continue;
        ReplayEntry entry;
        if (!readEntry(tokens, entry, problem)) return fail(problem);
        // The loop's passes only go forward; a record that goes back was
        // not written by a run, and would replay out of order.
        if (!entries.empty() && entry.iteration < entries.back().iteration)
            return fail("pass " + std::to_string(entry.iteration) + " comes after pass " +
                        std::to_string(entries.back().iteration));
        if (entries.size() == maxRecordMessages)
            return fail("more than " + std::to_string(maxRecordMessages) +
                        " lines of messages, the most a record holds");
        entries.push_back(std::move(entry));
    }
    if (number == 0) {
        number = 1;
        return fail(std::string("empty: a record starts with \"") + recordHeader + "\"");
    }
    return entries;
}

std::string formatReplayEntry(const ReplayEntry& entry) {
    std::ostringstream line;
    line << entry.iteration << ' ';
    if (entry.kind == ReplayEntry::Kind::view) {
        // Nine digits name one float exactly.
        line.precision(9);
        line << "view " << entry.viewWidth << ' ' << entry.viewHeight << ' '
             << (entry.fullscreen ? "fullscreen" : "windowed");
        return line.str();
    }
    if (entry.kind == ReplayEntry::Kind::state) {
        line << "state " << quoted(entry.files.empty() ? std::string() : entry.files[0]);
        return line.str();
    }
    const Message& message = entry.message;
    line << messageName(message.message);
    if (message.message == wm::dropFiles) {
        for (const std::string& file : entry.files) line << ' ' << quoted(file);
        return line.str();
    }
    line << ' ' << hex(message.wParam) << ' ';
    if (carriesPoint(message.message))
        line << lowWord(message.lParam) << ',' << highWord(message.lParam);
    else
        line << hex(static_cast<uint64_t>(message.lParam));
    return line.str();
}

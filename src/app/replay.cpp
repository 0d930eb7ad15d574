#include "app/replay.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "app/input_state.h"
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

ReplaySource::ReplaySource(MessageSource& inner, std::vector<ReplayEntry> entries, bool headless)
    : inner_(inner), entries_(std::move(entries)), headless_(headless) {}

void ReplaySource::drainInner() {
    Message real;
    while (inner_.nextMessage(real)) {
        if (real.message == wm::quit) {
            quitPending_ = true;
            quitCode_ = static_cast<int>(real.wParam);
            return;
        }
        // The user can still close the window; other input is not the record's.
        if (real.message == wm::close) closePending_ = true;
    }
}

bool ReplaySource::nextDue(Message& message) {
    while (!finished() && entries_[next_].iteration <= pass_) {
        const ReplayEntry& entry = entries_[next_++];
        if (entry.kind == ReplayEntry::Kind::state) continue;  // read before the run starts
        if (entry.kind == ReplayEntry::Kind::view) {
            if (headless_) {
                viewWidth = entry.viewWidth;
                viewHeight = entry.viewHeight;
                fullscreen = entry.fullscreen;
            }
            continue;
        }
        message = entry.message;
        if (headless_ && message.message == wm::sysKeyDown && message.wParam == static_cast<uintptr_t>(vk::returnKey))
            return false;  // no window to toggle; the pass goes by without a message
        if (message.message == wm::dropFiles) message.files = entry.files;
        return true;
    }
    return false;
}

bool ReplaySource::nextMessage(Message& message) {
    bool replaying = !finished();
    if (replaying) drainInner();
    bool due = nextDue(message);
    ++pass_;
    if (due) return true;
    if (quitPending_) {
        quitPending_ = false;
        message = Message{wm::quit, static_cast<uintptr_t>(quitCode_), 0, {}};
        return true;
    }
    if (closePending_) {
        closePending_ = false;
        message = Message{wm::close, 0, 0, {}};
        return true;
    }
    // The pass that used up the record still belongs to it.
    return replaying ? false : inner_.nextMessage(message);
}

RecordingSource::RecordingSource(MessageSource& inner, std::ostream& out) : inner_(inner), out_(out) {
    out_ << "# vantor record: pass, message, wParam, lParam (see docs/record-replay.md)\n";
    out_.flush();
}

RecordingSource::ViewState RecordingSource::currentView() { return ViewState{viewWidth, viewHeight, fullscreen}; }

void RecordingSource::write(const ReplayEntry& entry) {
    out_ << formatReplayEntry(entry) << '\n';
    out_.flush();
}

bool RecordingSource::nextMessage(Message& message) {
    long pass = pass_++;
    // A replayed WM_SIZE sets the view as it did here: no view line needed.
    if (lastWasSize_) written_ = currentView();
    lastWasSize_ = false;
    bool got = inner_.nextMessage(message);
    ViewState view = currentView();
    if (!written_ || !(*written_ == view)) {
        ReplayEntry entry;
        entry.iteration = pass;
        entry.kind = ReplayEntry::Kind::view;
        entry.viewWidth = view.width;
        entry.viewHeight = view.height;
        entry.fullscreen = view.fullscreen;
        write(entry);
        written_ = view;
    }
    if (!got) return false;
    ReplayEntry entry;
    entry.iteration = pass;
    entry.message = message;
    if (message.message == wm::dropFiles) entry.files = message.files;
    write(entry);
    lastWasSize_ = message.message == wm::size;
    return true;
}

bool InputSession::open(MessageSource& base, const std::string& replayFile, const std::string& recordFile,
                        bool headless, std::string& error) {
    top_ = &base;
    if (!replayFile.empty()) {
        // A device or a pipe could be read forever, or wait for a writer.
        std::error_code notRegular;
        if (std::filesystem::exists(replayFile, notRegular) &&
            !std::filesystem::is_regular_file(replayFile, notRegular)) {
            error = "cannot read " + replayFile + ": not a regular file";
            return false;
        }
        std::ifstream input(replayFile);
        if (!input) {
            error = "cannot read " + replayFile;
            return false;
        }
        std::string problem;
        auto entries = parseReplay(input, problem);
        if (!entries) {
            error = replayFile + ", " + problem;
            return false;
        }
        for (const ReplayEntry& entry : *entries)
            if (entry.kind == ReplayEntry::Kind::state && !entry.files.empty()) replayStartState_ = entry.files[0];
        replay_ = std::make_unique<ReplaySource>(*top_, std::move(*entries), headless);
        top_ = replay_.get();
    }
    if (!recordFile.empty()) {
        recordFile_.open(recordFile);
        if (!recordFile_) {
            error = "cannot write " + recordFile;
            return false;
        }
        recordName_ = recordFile;
        recorder_ = std::make_unique<RecordingSource>(*top_, recordFile_);
        top_ = recorder_.get();
        // The header line is flushed at once: a full disk says so now.
        if (!recordFile_) {
            error = "cannot write " + recordFile;
            return false;
        }
    }
    return true;
}

void InputSession::recordStartState(const std::string& stateFile) {
    if (!recordFile_.is_open()) return;
    ReplayEntry entry;
    entry.kind = ReplayEntry::Kind::state;
    entry.files = {stateFile};
    recordFile_ << formatReplayEntry(entry) << '\n';
    recordFile_.flush();
}

bool InputSession::close(std::string& error) {
    if (!recordFile_.is_open()) return true;
    recordFile_.close();
    if (!recordFile_.fail()) return true;
    error = "cannot write the record " + recordName_ + "; what it holds is not the whole session";
    return false;
}

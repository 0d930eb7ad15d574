#include "app/replay.h"

#include <filesystem>
#include <system_error>

#include "app/input_state.h"
#include "files/settings.h"

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
    out_ << recordHeader << "\n# pass, message, wParam, lParam (see docs/record-replay.md)\n";
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

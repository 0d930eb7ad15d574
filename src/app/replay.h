// Record and replay. The step depends only on the messages the window
// procedure handles and the loop pass each arrives in, so a session written
// down as "pass, message, parameters" lines can be run again exactly, with
// or without a window. These are the message sources that feed a record to
// the loop and write one; the lines themselves are app/record_format.h.
#pragma once

#include <fstream>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/record_format.h"
#include "app/window_system.h"

// Feeds the messages of a record to the loop, each in its pass: the n-th
// nextMessage is pass n. Lines whose pass has come wait their turn, one
// message a pass, as in the window system's queue. Real input from the
// source beneath is dropped until the record runs out, except the window's
// close request and the quit message, which come when no recorded message
// is due. After the last line the real input takes over.
class ReplaySource : public MessageSource {
public:
    // `headless`: view lines set the display state and Alt+Enter is left
    // out, there being no window to toggle. In a window both come from the
    // real window.
    ReplaySource(MessageSource& inner, std::vector<ReplayEntry> entries, bool headless);

    bool nextMessage(Message& message) override;

    // True once every line has been handed out.
    bool finished() const { return next_ >= entries_.size(); }
    // The pass of the last line (0 for an empty record).
    long lastPass() const { return entries_.empty() ? 0 : entries_.back().iteration; }

private:
    bool nextDue(Message& message);
    void drainInner();

    MessageSource& inner_;
    std::vector<ReplayEntry> entries_;
    size_t next_ = 0;
    bool headless_;
    long pass_ = 0;
    bool closePending_ = false;
    bool quitPending_ = false;
    int quitCode_ = 0;
};

// Writes every message the loop takes in, with its pass, one line each and
// flushed at once, so a session that ends badly is still on file. Whenever
// the display state changes other than through WM_SIZE, a view line says
// what it became.
class RecordingSource : public MessageSource {
public:
    RecordingSource(MessageSource& inner, std::ostream& out);

    bool nextMessage(Message& message) override;

private:
    struct ViewState {
        float width = 0.0f, height = 0.0f;
        bool fullscreen = false;
        bool operator==(const ViewState&) const = default;
    };
    static ViewState currentView();
    void write(const ReplayEntry& entry);

    MessageSource& inner_;
    std::ostream& out_;
    long pass_ = 0;
    std::optional<ViewState> written_;
    bool lastWasSize_ = false;
};

// Where a run takes its messages from: `base`, under a replay and a
// recorder when files are named for them (empty names: `base` alone).
class InputSession {
public:
    // False, with `error` set, when the replay cannot be read (also when it
    // is not a regular file) or the record cannot be written.
    bool open(MessageSource& base, const std::string& replayFile, const std::string& recordFile, bool headless,
              std::string& error);
    // Closes the record; false, with `error` set, when any of it could not
    // be written (a full disk).
    bool close(std::string& error);

    MessageSource& messages() { return *top_; }
    // Null without a replay.
    const ReplaySource* replay() const { return replay_.get(); }
    // The state file the replayed session started from (its "state" line),
    // or empty when it started from the world files.
    const std::string& replayStartState() const { return replayStartState_; }
    // Writes the line that names the state file a recorded session starts
    // from (nothing without a record).
    void recordStartState(const std::string& stateFile);

private:
    MessageSource* top_ = nullptr;
    std::unique_ptr<ReplaySource> replay_;
    std::string replayStartState_;
    std::ofstream recordFile_;
    std::string recordName_;
    std::unique_ptr<RecordingSource> recorder_;
};

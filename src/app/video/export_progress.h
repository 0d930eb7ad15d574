// Progress of a long export on the error stream: a bar redrawn in place when
// the stream is a terminal (frames done of total, rate, time left), a plain
// line at every tenth otherwise (a log keeps ten lines, not thousands).
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

class ExportProgress {
public:
    // `total`: frames expected (0: unknown, and nothing is shown).
    ExportProgress(std::string name, long total, FILE* stream, bool terminal);

    // After each frame, with the frames done so far.
    void update(long done);
    // Ends the bar's line; nothing for plain lines.
    void end();

    // The bar's line without the carriage return, for a given rate and
    // time: "NAME [#####     ] 120/500 frames  48.2 frames/s  0:07 left".
    static std::string barLine(const std::string& name, long done, long total, double seconds);

private:
    std::string name_;
    long total_;
    FILE* stream_;
    bool terminal_;
    int tenthsShown_ = 0;
    bool barShown_ = false;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point lastBar_{};
};

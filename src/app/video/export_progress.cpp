#include "app/video/export_progress.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr int barWidth = 30;
// The bar is redrawn at most this often: a terminal that scrolls a line a
// frame would slow the export it shows.
constexpr std::chrono::milliseconds barPeriod{100};

std::string minutesAndSeconds(double seconds) {
    long whole = std::lround(std::max(seconds, 0.0));
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

}  // namespace

ExportProgress::ExportProgress(std::string name, long total, FILE* stream, bool terminal)
    : name_(std::move(name)), total_(total), stream_(stream), terminal_(terminal) {}

std::string ExportProgress::barLine(const std::string& name, long done, long total, double seconds) {
    double fraction = total > 0 ? std::clamp(static_cast<double>(done) / static_cast<double>(total), 0.0, 1.0) : 0.0;
    int filled = static_cast<int>(fraction * barWidth);
    std::string bar = "[" + std::string(static_cast<size_t>(filled), '#') +
                      std::string(static_cast<size_t>(barWidth - filled), ' ') + "]";
    double rate = seconds > 0.0 ? static_cast<double>(done) / seconds : 0.0;
    std::string left = rate > 0.0 ? minutesAndSeconds(static_cast<double>(total - done) / rate) : "?";
    char numbers[96];
    std::snprintf(numbers, sizeof numbers, " %ld/%ld frames  %.1f frames/s  %s left", done, total, rate, left.c_str());
    return name + " " + bar + numbers;
}

void ExportProgress::update(long done) {
    if (total_ <= 0) return;
    auto now = std::chrono::steady_clock::now();
    if (terminal_) {
        if (done < total_ && now - lastBar_ < barPeriod) return;
        lastBar_ = now;
        double seconds = std::chrono::duration<double>(now - start_).count();
        std::fprintf(stream_, "\r%s", barLine(name_, done, total_, seconds).c_str());
        std::fflush(stream_);
        barShown_ = true;
        return;
    }
    int tenths = static_cast<int>(std::min<long>(done * 10 / total_, 10));
    if (tenths <= tenthsShown_) return;
    tenthsShown_ = tenths;
    std::fprintf(stream_, "%s: %d %% (%ld/%ld frames)\n", name_.c_str(), tenths * 10, done, total_);
}

void ExportProgress::end() {
    if (!barShown_) return;
    std::fprintf(stream_, "\n");
    barShown_ = false;
}

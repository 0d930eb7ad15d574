#include "app/on_screen.h"

#include <algorithm>

#include "files/settings.h"
#include "render/overlay.h"

namespace {

// The README's tables, cut to lines that fit a 400-pixel window (32
// characters of the overlay font).
const std::vector<std::string> help = {
    "Keys, while held:",
    "F1        pause",
    "F2        slow: +150 ms a frame",
    "S         slow: +50 ms a frame",
    "F3        no frame pacing",
    "K         faster, 1 % per world",
    "L         slower, 1 % per world",
    "J         normal speed",
    "Space     lift the lower arms",
    "F9        freeze figure roots",
    "Ctrl      keep on left release",
    "Backspace back in time, a frame",
    "          a pass (last 60 s)",
    "Keys, once a press:",
    "Alt+Enter full screen / window",
    "Home      default view",
    "H         this help",
    "F11       statistics line",
    "F8        screenshot (PNG)",
    "F12       record video (MP4)",
    "P         pause / go on",
    "O         one frame, paused",
    "R         restart from the files",
    "F5        save the state",
    "Mouse:",
    "left      grab what is under it",
    "move      pull what is held",
    "left up   let go (not with Ctrl)",
    "right     pin what is held here",
    "right     holding nothing: cut",
    "          this body's springs",
    "wheel     zoom about the cursor",
    "middle    drag to pan",
    "drop file add it at the cursor",
    "close     quit",
};

size_t longestLine(const std::vector<std::string>& lines) {
    size_t longest = 0;
    for (const std::string& line : lines) longest = std::max(longest, line.size());
    return longest;
}

// The help lines of a page. When all of them do not fit the view, each
// page ends with a line saying where H goes next; the last one, that H
// closes the panel.
std::vector<std::string> helpPage(int page, size_t bottomLines, bool& pastLast) {
    const std::vector<std::string>& lines = helpLines();
    std::string footer = "H: next page 00/00";
    PanelLayout layout = panelLayout(std::max(longestLine(lines), footer.size()), bottomLines, viewWidth, viewHeight);
    size_t room = layout.rows * layout.columns;
    pastLast = false;
    if (lines.size() <= room) {
        pastLast = page > 0;
        return lines;
    }
    size_t perPage = std::max<size_t>(room, 2) - 1;
    size_t pages = (lines.size() + perPage - 1) / perPage;
    if (static_cast<size_t>(page) >= pages) {
        pastLast = true;
        return {};
    }
    size_t first = static_cast<size_t>(page) * perPage;
    std::vector<std::string> shown(
        lines.begin() + static_cast<std::ptrdiff_t>(first),
        lines.begin() + static_cast<std::ptrdiff_t>(std::min(lines.size(), first + perPage)));
    bool last = static_cast<size_t>(page) + 1 == pages;
    shown.push_back((last ? "H: close " : "H: next page ") + std::to_string(page + 1) + "/" + std::to_string(pages));
    return shown;
}

}  // namespace

const std::vector<std::string>& helpLines() { return help; }

void nextHelpPage(OnScreen& onScreen) { onScreen.helpPage += 1; }

void showNotice(OnScreen& onScreen, FrameOverlay& overlay, const std::string& text, int64_t now) {
    onScreen.notice = text;
    onScreen.noticeUntil = now + noticeMs;
    overlay.status = text;
}

void fillOverlay(OnScreen& onScreen, FrameOverlay& overlay, int64_t now, bool paused) {
    // The notice goes when its time is up, unless another line took its place.
    if (!onScreen.notice.empty() && (now >= onScreen.noticeUntil || now < onScreen.noticeUntil - noticeMs)) {
        if (overlay.status == onScreen.notice) overlay.status.clear();
        onScreen.notice.clear();
    }
    overlay.statistics = onScreen.statisticsShown ? statisticsLine(onScreen.statistics, now, paused) : std::string();
    overlay.panel.clear();
    if (onScreen.helpPage < 0) return;
    bool pastLast = false;
    std::vector<std::string> page = helpPage(onScreen.helpPage, frameOverlayBottomLines(overlay, viewWidth), pastLast);
    if (pastLast) {
        onScreen.helpPage = -1;
        return;
    }
    overlay.panel = std::move(page);
}

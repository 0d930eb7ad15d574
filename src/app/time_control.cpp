#include "app/time_control.h"

#include <cstdio>
#include <utility>

void onTimeKeyDown(TimeControl& time, int virtualKey, bool wasHeld) {
    switch (virtualKey) {
        case vk::p:
            if (!wasHeld) time.paused = !time.paused;
            break;
        case vk::o:
            if (time.paused) time.stepRequested = true;
            break;
        case vk::r:
            if (!wasHeld) time.restartRequested = true;
            break;
        case vk::f5:
            if (!wasHeld) time.saveRequested = true;
            break;
        default:
            break;
    }
}

bool takeStep(TimeControl& time) {
    if (!time.paused) return true;
    return std::exchange(time.stepRequested, false);
}

void showNotice(TimeControl& time, std::string text) {
    time.notice = std::move(text);
    time.noticePasses = noticeLifePasses;
}

std::string timeStatus(const TimeControl& time) {
    if (time.rewinding) {
        char text[48];
        std::snprintf(text, sizeof text, "rewinding: -%.2f s", static_cast<double>(time.rewoundSeconds));
        return text;
    }
    if (time.noticePasses > 0) return time.notice;
    return time.paused ? "paused" : "";
}

void showTimeStatus(TimeControl& time, FrameOverlay& overlay) {
    std::string status = timeStatus(time);
    if (status != time.shownStatus) {
        if (overlay.status.empty() || overlay.status == time.shownStatus || !status.empty()) overlay.status = status;
        time.shownStatus = std::move(status);
    }
    if (time.noticePasses > 0) time.noticePasses -= 1;
}

#include "app/window_recording.h"

#include <cstdio>
#include <ctime>

namespace {

// H.264 stores colour at half size: a window of odd size is recorded one
// pixel narrower or lower (scaled, not cropped).
int evenBelow(int size) { return size - size % 2; }

}  // namespace

std::string timestampedName(const std::string& extension) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "vantor-%Y%m%d-%H%M%S", &local);
    return stamp + extension;
}

void WindowRecording::toggle(FrameOverlay& overlay) {
    if (recording()) {
        stop(overlay);
        return;
    }
    name_ = timestampedName(".mp4");
    overlay.status = "recording video: " + name_;
}

void WindowRecording::afterDrawing(WindowSystem& windowSystem, FrameOverlay& overlay) {
    if (!recording()) return;
    FrameImage image;
    if (!windowSystem.readFrame(image)) {
        fail(overlay, "the frame cannot be read back");
        return;
    }
    std::string error;
    if (!writer_.isOpen()) {
        VideoRequest request{name_, evenBelow(image.width), evenBelow(image.height), true};
        if (!writer_.open(request, error)) {
            fail(overlay, error);
            return;
        }
    }
    if (!writer_.addFrame(std::move(image), error)) fail(overlay, error);
}

void WindowRecording::stop(FrameOverlay& overlay) {
    if (!recording()) return;
    // Started and stopped before a frame was drawn: nothing to keep.
    std::string error = "no frame was drawn";
    if (!writer_.isOpen() || !writer_.finish(error)) {
        fail(overlay, error);
        return;
    }
    overlay.status = "video saved: " + name_;
    name_.clear();
}

void WindowRecording::fail(FrameOverlay& overlay, const std::string& reason) {
    std::fprintf(stderr, "vantor: cannot write the video %s: %s\n", name_.c_str(), reason.c_str());
    overlay.status = "cannot record video: " + reason;
    writer_.abandon();
    name_.clear();
}

#include "app/video_export.h"

#include <unistd.h>

#include <cstdio>

bool VideoExport::open(const RunOptions& options, int width, int height, long expectedFrames) {
    path_ = options.videoFile;
    VideoRequest request;
    request.path = path_;
    request.width = options.videoWidth > 0 ? options.videoWidth : width;
    request.height = options.videoHeight > 0 ? options.videoHeight : height;
    std::string error;
    if (!writer_.open(request, error)) {
        fail(error);
        return false;
    }
    progress_.emplace(path_, expectedFrames, stderr, isatty(fileno(stderr)) != 0);
    return true;
}

std::function<void(long)> VideoExport::afterDrawing(WindowSystem& windowSystem) {
    return [this, &windowSystem](long framesDrawn) {
        if (failed_) return;
        FrameImage image;
        std::string error;
        if (!windowSystem.readFrame(image)) {
            error = "the frame cannot be read back";
        } else if (writer_.addFrame(std::move(image), error)) {
            if (progress_) progress_->update(framesDrawn);
            return;
        }
        fail(error);
        windowSystem.postQuitMessage(1);
    };
}

bool VideoExport::finish(const WindowSystem& windowSystem) {
    if (progress_) progress_->end();
    if (failed_) return false;
    std::string error;
    if (windowSystem.interrupted()) {
        // The run stopped before its end: the clip it names is not made.
        writer_.abandon();
        fail("interrupted");
        return false;
    }
    if (!writer_.finish(error)) {
        fail(error);
        return false;
    }
    return true;
}

void VideoExport::fail(const std::string& reason) {
    if (progress_) progress_->end();
    std::fprintf(stderr, "vantor: cannot write the video %s: %s\n", path_.c_str(), reason.c_str());
    failed_ = true;
}

// A video clip encoded on a worker thread, so that drawing the next frame
// and encoding the last one overlap. Frames wait in a short queue; when the
// encoder falls behind, adding a frame waits for room: the clip keeps every
// frame (one a loop pass, so it plays at simulation speed) and the loop
// runs slower instead.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "app/video/video_encoder.h"

class ClipWriter {
public:
    // Frames the queue holds: enough to ride out an encoder's hiccup, few
    // enough that a window-sized frame each stays a few megabytes.
    static constexpr size_t queueLength = 4;

    ClipWriter() = default;
    ~ClipWriter();  // abandons a clip not finished
    ClipWriter(const ClipWriter&) = delete;
    ClipWriter& operator=(const ClipWriter&) = delete;

    // Opens the encoder and starts the worker; false, with `error` set, as
    // VideoEncoder::open.
    bool open(const VideoRequest& request, std::string& error);
    bool isOpen() const { return worker_.joinable(); }
    // Queues a frame (RGB, bottom row first), waiting while the queue is
    // full. False, with `error` set, once the encoder has failed: the clip
    // is lost and later frames are dropped.
    bool addFrame(FrameImage image, std::string& error);
    // Encodes what is queued, ends the clip and gives it its name; false,
    // with `error` set, when it cannot be written (nothing is left then).
    bool finish(std::string& error);
    // Drops the clip: nothing is left under either name.
    void abandon();
    // Frames the encoder has taken so far.
    long framesEncoded();

private:
    void work();
    void stopWorker();

    VideoEncoder encoder_;
    std::thread worker_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<FrameImage> queue_;
    bool ending_ = false;
    std::string failure_;  // the encoder's first error; empty while all is well
    long encoded_ = 0;
};

// One video file written with FFmpeg's libraries, frame by frame: the format
// follows the file's extension (.mp4 H.264, .webm VP9, .gif with one palette
// fitted to the whole clip). The file is written under a temporary name in
// the same folder and takes its own name only once complete, so a failed or
// abandoned clip never leaves a half-written file under that name.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "app/window_system.h"

enum class VideoKind { mp4, webm, gif };

// The kind the file name's extension asks for (any letter case), or nothing.
std::optional<VideoKind> videoKindOf(const std::string& path);

// Frames a second of every clip: one frame a loop pass of 20 ms.
constexpr int videoFramesPerSecond = 50;

// A GIF's palette is fitted to the whole clip, so its frames are held (RGB)
// until the end; past this many bytes of them the clip fails rather than
// the machine running out of memory: 2 GiB is some 18 s at 1024x768, two
// minutes at 400x300.
constexpr size_t gifHeldBytesLimit = size_t{2} << 30;

struct VideoRequest {
    std::string path;
    int width = 0, height = 0;  // of the clip; frames of another size are scaled
    bool realTime = false;      // recording a window: faster, larger encoding
};

class VideoEncoder {
public:
    VideoEncoder();
    ~VideoEncoder();  // abandons a clip not finished
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // Checks the request, opens the encoder and the temporary file. False,
    // with `error` set to the reason, on an unknown extension, a size the
    // encoder refuses or a folder that cannot be written.
    bool open(const VideoRequest& request, std::string& error);
    // Adds a frame read back from GL (RGB, bottom row first). False, with
    // `error` set, when it cannot be encoded or written (a full disk).
    bool addFrame(const FrameImage& image, std::string& error);
    // Ends the clip and gives it its name; false, with `error` set, when any
    // of it could not be written (nothing is left under either name then).
    bool finish(std::string& error);
    // Drops the clip: the temporary file goes.
    void abandon();

    long framesAdded() const { return framesAdded_; }

private:
    struct State;
    std::unique_ptr<State> state_;
    long framesAdded_ = 0;
};

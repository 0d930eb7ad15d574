// F12 in the window: recording the frames drawn into a video clip in the
// current folder, vantor-YYYYMMDD-HHMMSS.mp4 (H.264, the window's size, 50
// frames a second of simulation time: one frame a loop pass). Frames are
// read back after drawing and encoded on a worker thread; when it falls
// behind the loop waits for it, so the clip keeps every frame.
#pragma once

#include <cstdint>
#include <string>

#include "app/video/clip_writer.h"
#include "app/window_system.h"
#include "render/frame_overlay.h"

// The key that starts and stops a recording.
constexpr int videoKey = 0x7B;  // VK_F12

class WindowRecording {
public:
    // Starts a recording (named now, opened at the next frame drawn) or
    // finishes the one going on; the status line says which.
    void toggle(FrameOverlay& overlay);
    // After a frame is drawn: read back into the clip while recording.
    void afterDrawing(WindowSystem& windowSystem, FrameOverlay& overlay);
    // The window closes or the program quits: the clip is finished.
    void stop(FrameOverlay& overlay);
    bool recording() const { return !name_.empty(); }

private:
    void fail(FrameOverlay& overlay, const std::string& reason);

    ClipWriter writer_;
    std::string name_;  // empty while not recording
};

// "vantor-YYYYMMDD-HHMMSS" and the extension, in local time.
std::string timestampedName(const std::string& extension);

// --video: every frame the headless run draws goes into a clip, encoded on
// a worker thread, with the export's progress on the error stream. The
// clip takes its name only when the run went to its end.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "app/run_options.h"
#include "app/video/clip_writer.h"
#include "app/video/export_progress.h"
#include "app/window_system.h"

class VideoExport {
public:
    // Opens the clip at the size asked for (or `width` x `height`, the
    // window's) for `expectedFrames` frames (for the progress; 0 unknown).
    // False, with the reason told on the error stream in one line naming
    // the file.
    bool open(const RunOptions& options, int width, int height, long expectedFrames);
    // The loop's after-drawing hook: reads the frame back into the clip;
    // a failure is told and ends the run.
    std::function<void(long framesDrawn)> afterDrawing(WindowSystem& windowSystem);
    // Ends the clip; false (told, nothing left under its name) when it
    // could not be written or the run was interrupted.
    bool finish(const WindowSystem& windowSystem);

private:
    void fail(const std::string& reason);

    std::string path_;
    ClipWriter writer_;
    std::optional<ExportProgress> progress_;
    bool failed_ = false;
};

// The SDL platform that, after a given number of frames, reads back the
// frame it has just drawn, writes it as a PNG and asks the loop to end
// (--screenshot).
#pragma once

#include <string>

#include "app/sdl/sdl_platform.h"

class ScreenshotPlatform : public SdlPlatform {
public:
    ScreenshotPlatform(std::string path, long frames) : path_(std::move(path)), frames_(frames) {}

    void renderFrame() override;

    // True once the picture has been written.
    bool written() const { return written_; }

private:
    std::string path_;
    long frames_;
    long drawn_ = 0;
    bool taken_ = false;
    bool written_ = false;
};

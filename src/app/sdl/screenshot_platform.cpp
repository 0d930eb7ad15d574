#include "app/sdl/screenshot_platform.h"

#include <iostream>

#include "app/frame_png.h"
#include "render/gl/scene.h"

void ScreenshotPlatform::renderFrame() {
    ++drawn_;
    if (taken_ || drawn_ < frames_) {
        SdlPlatform::renderFrame();
        return;
    }
    taken_ = true;
    // Without a context there is nothing to draw into; readFrame says so
    // before any GL call is made.
    FrameImage image;
    if (readFrame(image)) {
        ::renderFrame();
        written_ = readFrame(image) && writeFramePng(path_, image);
    }
    if (!written_) std::cerr << "vantor: cannot write the screenshot " << path_ << "\n";
    SdlPlatform::renderFrame();
    postQuitMessage(0);
}

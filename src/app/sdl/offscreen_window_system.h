// The window system of a headless run that draws (--video): messages, clock
// and sleep as without a window (no input but a replay, no pacing), the
// window and its GL context from SDL, drawn where nobody looks at it.
#pragma once

#include "app/sdl/sdl_window_system.h"

class OffscreenWindowSystem : public HeadlessWindowSystem {
public:
    OffscreenWindowSystem() : drawing_(true) {}

    bool started() const { return drawing_.started(); }

    // A termination signal closes the run once, as it closes a window.
    bool nextMessage(Message& message) override;
    bool interrupted() const override;
    void swapBuffers() override {}
    bool readFrame(FrameImage& image) override { return drawing_.readFrame(image); }
    WindowStep openWindow(const WindowRequest& request) override { return drawing_.openWindow(request); }
    ReleaseFailures closeWindow() override { return drawing_.closeWindow(); }
    BoxAnswer messageBox(const std::string& text, const std::string& caption, BoxIcon icon,
                         BoxButtons buttons) override {
        return drawing_.messageBox(text, caption, icon, buttons);
    }

private:
    SdlWindowSystem drawing_;  // unattended: no box, an offscreen driver allowed
    bool closeSent_ = false;
};

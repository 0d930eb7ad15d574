// The seam between the program and the window system: messages, the clock
// and sleep, the window with its context (WindowHost), the buffer swap and
// the read-back of a frame. SDL2 implements it for the program
// (src/app/sdl); a run without a window and the tests have small stand-ins.
#pragma once

#include <cstdint>
#include <vector>

#include "app/messages.h"
#include "render/window.h"

// Where the loop's messages come from: the window system itself, or a
// record played back (or written down) over it.
class MessageSource {
public:
    virtual ~MessageSource() = default;
    // Removes the next queued message, if any, into `message`.
    virtual bool nextMessage(Message& message) = 0;
};

// A frame read back from the colour buffer, bottom row first, RGB bytes.
struct FrameImage {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

class WindowSystem : public MessageSource, public WindowHost {
public:
    // Queues WM_QUIT; it comes once no other message is waiting.
    virtual void postQuitMessage(int exitCode) = 0;
    // A quit has been posted and not yet read.
    virtual bool quitPending() const = 0;
    // What the window system does with a message the program does not handle.
    virtual intptr_t defaultWindowProcedure(const Message& message) = 0;
    // Milliseconds from an arbitrary start.
    virtual int64_t clock() = 0;
    virtual void sleep(int64_t milliseconds) = 0;
    // Shows the frame drawn into the back buffer.
    virtual void swapBuffers() = 0;
    // The back buffer as drawn, before the swap; false without a window.
    virtual bool readFrame(FrameImage& image) = 0;
    // A run without a window was asked to end early (a termination signal):
    // what it was making is incomplete.
    virtual bool interrupted() const { return false; }
};

// The window system of a run without a window: no messages but a posted
// quit, a clock that stands still (so the loop never sleeps), and windows
// that open without being there.
class HeadlessWindowSystem : public WindowSystem {
public:
    bool nextMessage(Message& message) override {
        if (!quitPosted_) return false;
        quitPosted_ = false;
        message = Message{wm::quit, static_cast<uintptr_t>(quitCode_), 0, {}};
        return true;
    }
    void postQuitMessage(int exitCode) override {
        quitPosted_ = true;
        quitCode_ = exitCode;
    }
    intptr_t defaultWindowProcedure(const Message&) override { return 0; }
    int64_t clock() override { return 0; }
    void sleep(int64_t) override {}
    void swapBuffers() override {}
    bool readFrame(FrameImage&) override { return false; }
    WindowStep openWindow(const WindowRequest&) override { return WindowStep::none; }
    ReleaseFailures closeWindow() override { return {}; }
    BoxAnswer messageBox(const std::string&, const std::string&, BoxIcon, BoxButtons) override {
        return BoxAnswer::failed;
    }
    bool quitPending() const override { return quitPosted_; }

private:
    bool quitPosted_ = false;
    int quitCode_ = 0;
};

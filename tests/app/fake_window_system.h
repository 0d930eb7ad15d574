// A scripted window system and a renderer that only takes note: queued
// messages, a clock that moves only when told, a step of opening (or
// releases of closing) that fail on request, canned answers to the
// question, and one log of what happened, in order.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "app/window_system.h"

struct ShownBox {
    std::string text, caption;
    BoxIcon icon = BoxIcon::warning;
    BoxButtons buttons = BoxButtons::ok;
};

class FakeWindowSystem : public WindowSystem {
public:
    // Script.
    std::deque<Message> messages;
    WindowStep failingStep = WindowStep::none;
    ReleaseFailures failingReleases;
    BoxAnswer questionAnswer = BoxAnswer::yes;
    int64_t now = 1000;
    intptr_t defaultResult = 77;

    // Record: "open", "close", "box", "swap", and the renderer's entries.
    std::vector<std::string> events;
    std::vector<WindowRequest> requests;
    std::vector<ShownBox> boxes;
    std::vector<Message> defaulted;
    std::vector<int64_t> sleeps;
    bool quitPosted = false;
    int quitCode = -1;

    void queue(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0) {
        messages.push_back(Message{message, wParam, lParam, {}});
    }
    size_t count(const std::string& event) const {
        size_t n = 0;
        for (const auto& e : events) n += (e == event);
        return n;
    }

    bool nextMessage(Message& message) override {
        if (!messages.empty()) {
            message = messages.front();
            messages.pop_front();
            return true;
        }
        if (!quitPosted) return false;
        quitPosted = false;
        message = Message{wm::quit, static_cast<uintptr_t>(quitCode), 0, {}};
        return true;
    }
    void postQuitMessage(int exitCode) override {
        quitPosted = true;
        quitCode = exitCode;
    }
    bool quitPending() const override { return quitPosted; }
    intptr_t defaultWindowProcedure(const Message& message) override {
        defaulted.push_back(message);
        return defaultResult;
    }
    int64_t clock() override { return now; }
    void sleep(int64_t milliseconds) override {
        sleeps.push_back(milliseconds);
        now += milliseconds;
    }
    void swapBuffers() override { events.push_back("swap"); }
    bool readFrame(FrameImage&) override { return false; }

    WindowStep openWindow(const WindowRequest& request) override {
        events.push_back("open");
        requests.push_back(request);
        if (failingStep == WindowStep::displayMode) return request.fullscreen ? failingStep : WindowStep::none;
        return failingStep;
    }
    ReleaseFailures closeWindow() override {
        events.push_back("close");
        return failingReleases;
    }
    BoxAnswer messageBox(const std::string& text, const std::string& caption, BoxIcon icon,
                         BoxButtons buttons) override {
        events.push_back("box");
        boxes.push_back(ShownBox{text, caption, icon, buttons});
        return buttons == BoxButtons::yesNo ? questionAnswer : BoxAnswer::ok;
    }
};

class FakeRenderer : public Renderer {
public:
    explicit FakeRenderer(std::vector<std::string>& events) : events_(events) {}

    std::vector<ViewProjection> views;
    std::vector<std::string> statuses;  // the status line of every frame drawn

    void applyView(const ViewProjection& view) override {
        events_.push_back("view");
        views.push_back(view);
    }
    void setupGLState() override { events_.push_back("state"); }
    void buildFont() override { events_.push_back("font"); }
    void reloadTextures() override { events_.push_back("textures"); }
    void drawFrame(const View&, const FrameOverlay& overlay) override {
        events_.push_back("draw");
        statuses.push_back(overlay.status);
    }

private:
    std::vector<std::string>& events_;
};

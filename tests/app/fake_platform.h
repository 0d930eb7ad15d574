// A scripted stand-in for the window system: queued messages, a clock that
// moves only when told, switchable failures for every window step, canned
// message-box answers, and a log of every call in order.
#pragma once

#include <deque>
#include <set>
#include <string>
#include <vector>

#include "app/platform.h"

struct ShownBox {
    std::string text, caption;
    BoxIcon icon = BoxIcon::warning;
    BoxButtons buttons = BoxButtons::ok;
};

class FakePlatform : public Platform {
public:
    // Script.
    std::deque<Message> messages;
    std::set<std::string> failing;          // names of window steps that fail
    BoxAnswer questionAnswer = BoxAnswer::yes;
    int64_t now = 1000;
    intptr_t defaultResult = 77;

    // Record.
    std::vector<std::string> calls;
    std::vector<ShownBox> boxes;
    std::vector<Message> defaulted;
    std::vector<int64_t> sleeps;
    std::vector<WindowSpec> windows;
    std::vector<ViewProjection> views;
    std::vector<PixelFormatRequest> pixelFormats;
    bool quitPosted = false;
    int quitCode = -1;
    int frames = 0;

    void queue(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0) {
        messages.push_back(Message{1, message, wParam, lParam});
    }
    size_t count(const std::string& call) const {
        size_t n = 0;
        for (const auto& c : calls) n += (c == call);
        return n;
    }
    long indexOf(const std::string& call) const {
        for (size_t i = 0; i < calls.size(); ++i)
            if (calls[i] == call) return static_cast<long>(i);
        return -1;
    }

    bool peekMessage(Message& message) override {
        if (!messages.empty()) {
            message = messages.front();
            messages.pop_front();
            return true;
        }
        if (quitPosted) {
            quitPosted = false;
            message = Message{0, wm::quit, static_cast<uintptr_t>(quitCode), 0};
            return true;
        }
        return false;
    }
    void postQuitMessage(int exitCode) override {
        calls.push_back("postQuitMessage");
        quitPosted = true;
        quitCode = exitCode;
    }
    intptr_t defaultWindowProcedure(const Message& message) override {
        defaulted.push_back(message);
        return defaultResult;
    }
    int64_t clock() override {
        calls.push_back("clock");
        return now;
    }
    void sleep(int64_t milliseconds) override {
        sleeps.push_back(milliseconds);
        now += milliseconds;
    }

    Handle moduleHandle() override { return 0x400000; }
    bool registerWindowClass(Handle, const std::string&) override { return step("registerWindowClass"); }
    bool unregisterWindowClass(Handle, const std::string&) override { return step("unregisterWindowClass"); }
    bool changeDisplayMode(int, int, int) override { return step("changeDisplayMode"); }
    void restoreDisplayMode() override { calls.push_back("restoreDisplayMode"); }
    void showCursor() override { calls.push_back("showCursor"); }
    Handle createWindow(const WindowSpec& spec) override {
        windows.push_back(spec);
        return step("createWindow") ? 0x10 : 0;
    }
    bool destroyWindow(Handle) override { return step("destroyWindow"); }
    Handle getDeviceContext(Handle) override { return step("getDeviceContext") ? 0x20 : 0; }
    bool releaseDeviceContext(Handle, Handle) override { return step("releaseDeviceContext"); }
    int choosePixelFormat(Handle, const PixelFormatRequest& request) override {
        pixelFormats.push_back(request);
        return step("choosePixelFormat") ? 7 : 0;
    }
    bool setPixelFormat(Handle, int, const PixelFormatRequest&) override { return step("setPixelFormat"); }
    Handle createRenderContext(Handle) override { return step("createRenderContext") ? 0x30 : 0; }
    bool makeCurrent(Handle deviceContext, Handle) override {
        return step(deviceContext == 0 ? "releaseCurrent" : "makeCurrent");
    }
    bool deleteRenderContext(Handle) override { return step("deleteRenderContext"); }
    void showWindow(Handle) override { calls.push_back("showWindow"); }
    BoxAnswer messageBox(const std::string& text, const std::string& caption, BoxIcon icon,
                         BoxButtons buttons) override {
        calls.push_back("messageBox");
        boxes.push_back(ShownBox{text, caption, icon, buttons});
        return buttons == BoxButtons::yesNo ? questionAnswer : BoxAnswer::ok;
    }

    std::vector<std::string> droppedFiles(Handle) override {
        calls.push_back("droppedFiles");
        return {};
    }
    void finishDrop(Handle) override { calls.push_back("finishDrop"); }

    void applyView(const ViewProjection& view) override {
        calls.push_back("applyView");
        views.push_back(view);
    }
    void setupGLState() override { calls.push_back("setupGLState"); }
    void buildFont() override { calls.push_back("buildFont"); }
    void reloadTextures() override { calls.push_back("reloadTextures"); }
    void renderFrame() override {
        calls.push_back("renderFrame");
        ++frames;
    }
    bool readFrame(FrameImage&) override { return false; }

private:
    bool step(const std::string& name) {
        calls.push_back(name);
        return failing.count(name) == 0;
    }
};

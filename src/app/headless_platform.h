// The platform of a run without a window: no messages but a posted quit, no
// clock, nothing to draw into. Window steps succeed without doing anything.
// Drawing would make each world current in turn; renderFrame keeps that
// side effect, so the mouse handlers find the same current world as in a
// window.
#pragma once

#include "app/platform.h"
#include "sim/globals.h"

class HeadlessPlatform : public Platform {
public:
    bool peekMessage(Message& message) override {
        if (!quitPosted_) return false;
        quitPosted_ = false;
        message = Message{0, wm::quit, static_cast<uintptr_t>(quitCode_), 0};
        return true;
    }
    void postQuitMessage(int exitCode) override {
        quitPosted_ = true;
        quitCode_ = exitCode;
    }
    intptr_t defaultWindowProcedure(const Message&) override { return 0; }
    int64_t clock() override { return 0; }
    void sleep(int64_t) override {}

    Handle moduleHandle() override { return 1; }
    bool registerWindowClass(Handle, const std::string&) override { return true; }
    bool unregisterWindowClass(Handle, const std::string&) override { return true; }
    bool changeDisplayMode(int, int, int) override { return true; }
    void restoreDisplayMode() override {}
    void showCursor() override {}
    Handle createWindow(const WindowSpec&) override { return 1; }
    bool destroyWindow(Handle) override { return true; }
    Handle getDeviceContext(Handle) override { return 1; }
    bool releaseDeviceContext(Handle, Handle) override { return true; }
    int choosePixelFormat(Handle, const PixelFormatRequest&) override { return 1; }
    bool setPixelFormat(Handle, int, const PixelFormatRequest&) override { return true; }
    Handle createRenderContext(Handle) override { return 1; }
    bool makeCurrent(Handle, Handle) override { return true; }
    bool deleteRenderContext(Handle) override { return true; }
    void showWindow(Handle) override {}
    BoxAnswer messageBox(const std::string&, const std::string&, BoxIcon, BoxButtons) override {
        return BoxAnswer::failed;
    }

    std::vector<std::string> droppedFiles(Handle) override { return {}; }
    void finishDrop(Handle) override {}

    void applyView(const ViewProjection&) override {}
    void setupGLState() override {}
    void buildFont() override {}
    void reloadTextures() override {}
    void renderFrame() override {
        if (!worlds.empty()) currentWorld = worlds.back().get();
    }
    bool readFrame(FrameImage&) override { return false; }

    // A quit has been posted and not yet read.
    bool quitPending() const { return quitPosted_; }

private:
    bool quitPosted_ = false;
    int quitCode_ = 0;
};

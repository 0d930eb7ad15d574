// A Platform that hands every call to another one. Record and replay
// derive from it and change only how messages and drops come in.
#pragma once

#include "app/platform.h"

class ForwardingPlatform : public Platform {
public:
    explicit ForwardingPlatform(Platform& inner) : inner_(inner) {}

    bool peekMessage(Message& message) override { return inner_.peekMessage(message); }
    void postQuitMessage(int exitCode) override { inner_.postQuitMessage(exitCode); }
    intptr_t defaultWindowProcedure(const Message& message) override {
        return inner_.defaultWindowProcedure(message);
    }
    int64_t clock() override { return inner_.clock(); }
    void sleep(int64_t milliseconds) override { inner_.sleep(milliseconds); }

    Handle moduleHandle() override { return inner_.moduleHandle(); }
    bool registerWindowClass(Handle instance, const std::string& className) override {
        return inner_.registerWindowClass(instance, className);
    }
    bool unregisterWindowClass(Handle instance, const std::string& className) override {
        return inner_.unregisterWindowClass(instance, className);
    }
    bool changeDisplayMode(int width, int height, int colourBits) override {
        return inner_.changeDisplayMode(width, height, colourBits);
    }
    void restoreDisplayMode() override { inner_.restoreDisplayMode(); }
    void showCursor() override { inner_.showCursor(); }
    Handle createWindow(const WindowSpec& spec) override { return inner_.createWindow(spec); }
    bool destroyWindow(Handle window) override { return inner_.destroyWindow(window); }
    Handle getDeviceContext(Handle window) override { return inner_.getDeviceContext(window); }
    bool releaseDeviceContext(Handle window, Handle deviceContext) override {
        return inner_.releaseDeviceContext(window, deviceContext);
    }
    int choosePixelFormat(Handle deviceContext, const PixelFormatRequest& request) override {
        return inner_.choosePixelFormat(deviceContext, request);
    }
    bool setPixelFormat(Handle deviceContext, int format, const PixelFormatRequest& request) override {
        return inner_.setPixelFormat(deviceContext, format, request);
    }
    Handle createRenderContext(Handle deviceContext) override { return inner_.createRenderContext(deviceContext); }
    bool makeCurrent(Handle deviceContext, Handle renderContext) override {
        return inner_.makeCurrent(deviceContext, renderContext);
    }
    bool deleteRenderContext(Handle renderContext) override { return inner_.deleteRenderContext(renderContext); }
    void showWindow(Handle window) override { inner_.showWindow(window); }
    BoxAnswer messageBox(const std::string& text, const std::string& caption, BoxIcon icon,
                         BoxButtons buttons) override {
        return inner_.messageBox(text, caption, icon, buttons);
    }

    std::vector<std::string> droppedFiles(Handle drop) override { return inner_.droppedFiles(drop); }
    void finishDrop(Handle drop) override { inner_.finishDrop(drop); }

    void applyView(const ViewProjection& view) override { inner_.applyView(view); }
    void setupGLState() override { inner_.setupGLState(); }
    void buildFont() override { inner_.buildFont(); }
    void reloadTextures() override { inner_.reloadTextures(); }
    void renderFrame() override { inner_.renderFrame(); }
    bool readFrame(FrameImage& image) override { return inner_.readFrame(image); }

protected:
    Platform& inner_;
};

// The Platform seam on SDL2: events as window messages, SDL's clock and
// delay, one SDL window with an OpenGL compatibility context, SDL message
// boxes. Drawing calls go to the GL side in src/render/gl.
#pragma once

#include <SDL.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "app/platform.h"

class SdlPlatform : public Platform {
public:
    SdlPlatform();
    ~SdlPlatform() override;
    SdlPlatform(const SdlPlatform&) = delete;
    SdlPlatform& operator=(const SdlPlatform&) = delete;

    // False when SDL's event and timer services cannot start.
    bool started() const { return started_; }

    bool peekMessage(Message& message) override;
    void postQuitMessage(int exitCode) override;
    intptr_t defaultWindowProcedure(const Message& message) override;
    int64_t clock() override;
    void sleep(int64_t milliseconds) override;

    Handle moduleHandle() override;
    bool registerWindowClass(Handle instance, const std::string& className) override;
    bool unregisterWindowClass(Handle instance, const std::string& className) override;
    bool changeDisplayMode(int width, int height, int colourBits) override;
    void restoreDisplayMode() override;
    void showCursor() override;
    Handle createWindow(const WindowSpec& spec) override;
    bool destroyWindow(Handle window) override;
    Handle getDeviceContext(Handle window) override;
    bool releaseDeviceContext(Handle window, Handle deviceContext) override;
    int choosePixelFormat(Handle deviceContext, const PixelFormatRequest& request) override;
    bool setPixelFormat(Handle deviceContext, int format, const PixelFormatRequest& request) override;
    Handle createRenderContext(Handle deviceContext) override;
    bool makeCurrent(Handle deviceContext, Handle renderContext) override;
    bool deleteRenderContext(Handle renderContext) override;
    void showWindow(Handle window) override;
    BoxAnswer messageBox(const std::string& text, const std::string& caption, BoxIcon icon,
                         BoxButtons buttons) override;

    void applyView(const ViewProjection& view) override;
    void setupGLState() override;
    void buildFont() override;
    void reloadTextures() override;
    void renderFrame() override;
    bool readFrame(FrameImage& image) override;

    std::vector<std::string> droppedFiles(Handle drop) override;
    void finishDrop(Handle drop) override;

private:
    bool collectDrop(const SDL_Event& event, Message& message);

    bool started_ = false;
    bool videoStarted_ = false;
    bool quitPosted_ = false;
    int quitCode_ = 0;
    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
    Handle contextHandle_ = 0;
    Handle nextContextHandle_ = 1;
    bool fullscreenModeSet_ = false;
    SDL_DisplayMode fullscreenMode_{};
    PixelFormatRequest windowFormat_;  // the request in force when the window was made
    std::vector<std::string> pendingDrop_;
    std::map<Handle, std::vector<std::string>> drops_;
    Handle nextDrop_ = 1;
};

#include "render/window.h"

#include <cmath>
#include <limits>

#include "files/settings.h"

WindowState windowState;

namespace {

constexpr const char* errorCaption = "ERROR";
constexpr const char* shutdownCaption = "SHUTDOWN ERROR";

// Windowed windows open at a fixed spot; a full-screen request opens at the
// origin even when the user then falls back to a window.
constexpr int windowedX = 100, windowedY = 80;

void reportError(Platform& platform, const char* text, BoxIcon icon = BoxIcon::warning) {
    platform.messageBox(text, errorCaption, icon, BoxButtons::ok);
}

void reportShutdownError(Platform& platform, const char* text) {
    platform.messageBox(text, shutdownCaption, BoxIcon::information, BoxButtons::ok);
}

bool failAfterTearDown(Platform& platform, const char* text) {
    closeWindow(platform);
    reportError(platform, text);
    return false;
}

// The display refused the full-screen mode: offer a window instead.
bool acceptWindowedFallback(Platform& platform) {
    BoxAnswer answer = platform.messageBox(
        "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?",
        "Tolu GL", BoxIcon::warning, BoxButtons::yesNo);
    if (answer == BoxAnswer::yes) return true;
    reportError(platform, "Program Will Now Close.", BoxIcon::stop);
    return false;
}

WindowSpec windowSpecFor(const std::string& title, int width, int height, bool fullscreenRequested) {
    WindowSpec spec;
    spec.className = windowClassName;
    spec.title = title;
    spec.x = fullscreenRequested ? 0 : windowedX;
    spec.y = fullscreenRequested ? 0 : windowedY;
    spec.width = width;
    spec.height = height;
    spec.popup = fullscreen;
    spec.acceptFiles = true;
    return spec;
}

// Device context, pixel format, rendering context, current: the GL half of opening.
bool createContext(Platform& platform) {
    WindowState& state = windowState;
    state.deviceContext = platform.getDeviceContext(state.windowHandle);
    if (state.deviceContext == 0) return failAfterTearDown(platform, "Can't Create A GL Device Context.");
    int format = platform.choosePixelFormat(state.deviceContext, state.pixelFormat);
    if (format == 0) return failAfterTearDown(platform, "Can't Find A Suitable PixelFormat.");
    if (!platform.setPixelFormat(state.deviceContext, format, state.pixelFormat))
        return failAfterTearDown(platform, "Can't Set The PixelFormat.");
    state.renderContext = platform.createRenderContext(state.deviceContext);
    if (state.renderContext == 0) return failAfterTearDown(platform, "Can't Create A GL Rendering Context.");
    if (!platform.makeCurrent(state.deviceContext, state.renderContext))
        return failAfterTearDown(platform, "Can't Activate The GL Rendering Context.");
    return true;
}

}  // namespace

bool openWindow(Platform& platform, const std::string& title, int width, int height, int colourBits,
                bool fullscreenRequested) {
    WindowState& state = windowState;
    fullscreen = fullscreenRequested;
    state.instanceHandle = platform.moduleHandle();
    if (!platform.registerWindowClass(state.instanceHandle, windowClassName)) {
        reportError(platform, "Failed To Register The Window Class.");
        return false;
    }
    if (fullscreen && !platform.changeDisplayMode(width, height, colourBits)) {
        if (!acceptWindowedFallback(platform)) return false;
        fullscreen = false;
    }
    state.windowHandle = platform.createWindow(windowSpecFor(title, width, height, fullscreenRequested));
    if (state.windowHandle == 0) return failAfterTearDown(platform, "Window Creation Error.");
    if (!state.pixelFormatSet) {
        state.pixelFormat.colourBits = colourBits;
        state.pixelFormatSet = true;
    }
    if (!createContext(platform)) return false;
    platform.showWindow(state.windowHandle);
    resizeView(platform, width, height);
    platform.setupGLState();
    return true;
}

void closeWindow(Platform& platform) {
    WindowState& state = windowState;
    if (fullscreen) {
        platform.restoreDisplayMode();
        platform.showCursor();
    }
    if (state.renderContext != 0) {
        if (!platform.makeCurrent(0, 0)) reportShutdownError(platform, "Release Of DC And RC Failed.");
        if (!platform.deleteRenderContext(state.renderContext))
            reportShutdownError(platform, "Release Rendering Context Failed.");
        state.renderContext = 0;
    }
    if (state.deviceContext != 0) {
        if (!platform.releaseDeviceContext(state.windowHandle, state.deviceContext))
            reportShutdownError(platform, "Release Device Context Failed.");
        state.deviceContext = 0;
    }
    if (state.windowHandle != 0) {
        if (!platform.destroyWindow(state.windowHandle)) reportShutdownError(platform, "Could Not Release hWnd.");
        state.windowHandle = 0;
    }
    if (!platform.unregisterWindowClass(state.instanceHandle, windowClassName)) {
        reportShutdownError(platform, "Could Not Unregister Class.");
        state.instanceHandle = 0;
    }
}

ViewProjection viewProjectionFor(int width, int height) {
    if (height == 0) height = 1;
    ViewProjection view;
    view.width = width;
    view.height = height;
    view.left = -(width / 2);
    view.right = width / 2;
    view.bottom = -(height / 2);
    view.top = height / 2;
    return view;
}

void resizeView(Platform& platform, int width, int height) {
    ViewProjection view = viewProjectionFor(width, height);
    platform.applyView(view);
    viewWidth = static_cast<float>(view.width);
    viewHeight = static_cast<float>(view.height);
}

int pixelsFromSetting(float size) {
    if (std::isnan(size)) return 0;
    if (size >= 2147483648.0f) return std::numeric_limits<int>::max();
    if (size <= -2147483648.0f) return std::numeric_limits<int>::min();
    return static_cast<int>(size);
}

void resetWindowState() { windowState = WindowState{}; }

#include "render/window.h"

#include <cmath>
#include <limits>

#include "files/settings.h"

namespace {

// The window state that outlives one window: the pixel-format request is
// built once and its colour depth fixed by the first open.
struct WindowState {
    PixelFormatRequest pixelFormat;
    bool pixelFormatSet = false;
    bool open = false;
};

WindowState windowState;

constexpr const char* errorCaption = "ERROR";
constexpr const char* shutdownCaption = "SHUTDOWN ERROR";

// Windowed windows open at a fixed spot; a full-screen request opens at the
// origin even when the user then falls back to a window.
constexpr int windowedX = 100, windowedY = 80;

void reportError(WindowHost& host, const char* text, BoxIcon icon = BoxIcon::warning) {
    host.messageBox(text, errorCaption, icon, BoxButtons::ok);
}

void reportShutdownError(WindowHost& host, const char* text) {
    host.messageBox(text, shutdownCaption, BoxIcon::information, BoxButtons::ok);
}

// What the user is told when a step of opening fails after the class.
const char* failureText(WindowStep step) {
    switch (step) {
        case WindowStep::createWindow:
            return "Window Creation Error.";
        case WindowStep::deviceContext:
            return "Can't Create A GL Device Context.";
        case WindowStep::choosePixelFormat:
            return "Can't Find A Suitable PixelFormat.";
        case WindowStep::setPixelFormat:
            return "Can't Set The PixelFormat.";
        case WindowStep::createContext:
            return "Can't Create A GL Rendering Context.";
        case WindowStep::makeCurrent:
            return "Can't Activate The GL Rendering Context.";
        default:
            return "Window Creation Error.";
    }
}

// The display refused the full-screen mode: offer a window instead.
bool acceptWindowedFallback(WindowHost& host) {
    BoxAnswer answer = host.messageBox(
        "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?", "Tolu GL",
        BoxIcon::warning, BoxButtons::yesNo);
    if (answer == BoxAnswer::yes) return true;
    reportError(host, "Program Will Now Close.", BoxIcon::stop);
    return false;
}

WindowRequest requestFor(const std::string& title, int width, int height, int colourBits, bool fullscreenRequested) {
    WindowRequest request;
    request.className = windowClassName;
    request.title = title;
    request.x = fullscreenRequested ? 0 : windowedX;
    request.y = fullscreenRequested ? 0 : windowedY;
    request.width = width;
    request.height = height;
    request.fullscreen = fullscreen;
    request.colourBits = colourBits;
    request.acceptFiles = true;
    request.pixelFormat = windowState.pixelFormat;
    return request;
}

}  // namespace

WindowOpening openWindow(WindowHost& host, Renderer& renderer, const std::string& title, int width, int height,
                         int colourBits, bool fullscreenRequested) {
    fullscreen = fullscreenRequested;
    if (!windowState.pixelFormatSet) {
        windowState.pixelFormat.colourBits = colourBits;
        windowState.pixelFormatSet = true;
    }
    WindowStep failed = host.openWindow(requestFor(title, width, height, colourBits, fullscreenRequested));
    if (failed == WindowStep::displayMode) {
        if (!acceptWindowedFallback(host)) return WindowOpening::declined;
        fullscreen = false;
        failed = host.openWindow(requestFor(title, width, height, colourBits, fullscreenRequested));
    }
    if (failed == WindowStep::registerClass) {
        reportError(host, "Failed To Register The Window Class.");
        return WindowOpening::failed;
    }
    if (failed != WindowStep::none) {
        closeWindow(host);
        reportError(host, failureText(failed));
        return WindowOpening::failed;
    }
    windowState.open = true;
    resizeView(renderer, width, height);
    renderer.setupGLState();
    return WindowOpening::opened;
}

void closeWindow(WindowHost& host) {
    windowState.open = false;
    ReleaseFailures failures = host.closeWindow();
    if (failures.releaseCurrent) reportShutdownError(host, "Release Of DC And RC Failed.");
    if (failures.deleteContext) reportShutdownError(host, "Release Rendering Context Failed.");
    if (failures.releaseDeviceContext) reportShutdownError(host, "Release Device Context Failed.");
    if (failures.destroyWindow) reportShutdownError(host, "Could Not Release hWnd.");
    if (failures.unregisterClass) reportShutdownError(host, "Could Not Unregister Class.");
}

bool windowIsOpen() { return windowState.open; }

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

void resizeView(Renderer& renderer, int width, int height) {
    ViewProjection view = viewProjectionFor(width, height);
    if (windowState.open) renderer.applyView(view);
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

// The program's one window and its OpenGL context: opening (windowed or
// full screen, with the windowed fallback), closing, and matching the view
// to the client area, with every failure reported in a message box. The
// window system does each step of opening and closing (WindowHost); the
// sequence, the question and the reports are here, so they are the same on
// every window system and in tests.
#pragma once

#include <string>

#include "render/renderer.h"

// The pixel-format request: RGBA, double-buffered, 16-bit depth, no alpha,
// no accumulation or stencil buffer. Only the colour depth varies.
struct PixelFormatRequest {
    bool drawToWindow = true;
    bool supportOpenGL = true;
    bool doubleBuffer = true;
    int colourBits = 0;
    int alphaBits = 0;
    int accumBits = 0;
    int depthBits = 16;
    int stencilBits = 0;
};

// The window to open. Position and size are of the client area; the window
// system adds whatever frame it draws.
struct WindowRequest {
    std::string className;
    std::string title;
    int x = 0, y = 0;
    int width = 0, height = 0;
    // Full screen: the display switches to width x height at colourBits
    // and the window has no frame.
    bool fullscreen = false;
    int colourBits = 0;
    bool acceptFiles = true;  // dropped files arrive as WM_DROPFILES
    PixelFormatRequest pixelFormat;
};

// The steps of opening, in order; `none` when all succeeded.
enum class WindowStep {
    none,
    registerClass,
    displayMode,  // the display refused the full-screen mode
    createWindow,
    deviceContext,
    choosePixelFormat,
    setPixelFormat,
    createContext,
    makeCurrent,
};

// What closing could not release, each reported on its own.
struct ReleaseFailures {
    bool releaseCurrent = false;
    bool deleteContext = false;
    bool releaseDeviceContext = false;
    bool destroyWindow = false;
    bool unregisterClass = false;
};

enum class BoxIcon { warning, stop, information };
enum class BoxButtons { ok, yesNo };
enum class BoxAnswer { ok, yes, no, failed };

// The window system's side of opening and closing.
class WindowHost {
public:
    virtual ~WindowHost() = default;

    // Registers the class, switches the display when full screen, creates
    // the window and its context and makes it current, then shows the
    // window with the keyboard focus. Returns the first step that failed
    // (whatever was built stays, for closeWindow), or WindowStep::none.
    virtual WindowStep openWindow(const WindowRequest& request) = 0;
    // Releases everything openWindow built, in reverse order (the display
    // mode first), and unregisters the class; safe with nothing open.
    virtual ReleaseFailures closeWindow() = 0;
    // A modal box with no owner window.
    virtual BoxAnswer messageBox(const std::string& text, const std::string& caption, BoxIcon icon,
                                 BoxButtons buttons) = 0;
};

constexpr const char* windowClassName = "OpenGL";
constexpr const char* windowTitle = "Vantor";
constexpr int displayColourBits = 32;

enum class WindowOpening {
    opened,    // a window with a current context exists
    declined,  // the user chose not to fall back to a window
    failed,    // a step failed; reported, and what was built torn down
};

// Sets `fullscreen` (cleared again when the user accepts the windowed
// fallback); on success sizes the view and sets the GL state.
WindowOpening openWindow(WindowHost& host, Renderer& renderer, const std::string& title, int width, int height,
                         int colourBits, bool fullscreenRequested);

// Releases what openWindow built, reporting each failed release.
void closeWindow(WindowHost& host);

// Whether a window with a current context is open: drawing needs one.
bool windowIsOpen();

// Viewport and centred pixel projection for a client area of width x
// height (applied when a window is open); sets viewWidth and viewHeight. A
// height of 0 counts as 1.
void resizeView(Renderer& renderer, int width, int height);

// The projection resizeView applies: integer halves, so an odd size loses a pixel.
ViewProjection viewProjectionFor(int width, int height);

// A size setting as whole pixels: truncated toward zero, held to the range
// of int (a non-number counts as 0) so no setting can overflow the conversion.
int pixelsFromSetting(float size);

void resetWindowState();

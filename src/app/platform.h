// The seam between the program and the outside world: the window system's
// message queue, clock and sleep, the window with its OpenGL context built
// step by step, message boxes, and the few drawing calls the core makes in
// the current context. The SDL2 implementation lives in src/app/sdl; tests
// drive the core with a scripted fake.
//
// Messages keep the numbers and parameter packing of the Win32 messages the
// program was designed around, so the window procedure is written once and
// tested with synthetic messages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Message numbers.
namespace wm {
constexpr uint32_t size = 0x0005;
constexpr uint32_t activate = 0x0006;
constexpr uint32_t close = 0x0010;
constexpr uint32_t quit = 0x0012;
constexpr uint32_t keyDown = 0x0100;
constexpr uint32_t keyUp = 0x0101;
constexpr uint32_t sysKeyDown = 0x0104;
constexpr uint32_t sysKeyUp = 0x0105;
constexpr uint32_t sysCommand = 0x0112;
constexpr uint32_t mouseMove = 0x0200;
constexpr uint32_t leftButtonDown = 0x0201;
constexpr uint32_t leftButtonUp = 0x0202;
constexpr uint32_t rightButtonDown = 0x0204;
constexpr uint32_t rightButtonUp = 0x0205;
constexpr uint32_t dropFiles = 0x0233;
}  // namespace wm

// WM_SYSCOMMAND commands that must not start (screen saver, monitor power-saving).
namespace sc {
constexpr uintptr_t screenSave = 0xF140;
constexpr uintptr_t monitorPower = 0xF170;
}  // namespace sc

// Opaque handles of the window system; 0 means "none".
using Handle = uintptr_t;

struct Message {
    Handle window = 0;
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

// Client coordinates and sizes travel as two unsigned 16-bit halves.
inline intptr_t packLParam(int low, int high) {
    return static_cast<intptr_t>((static_cast<uint32_t>(low) & 0xFFFFu) |
                                 ((static_cast<uint32_t>(high) & 0xFFFFu) << 16));
}
inline uint32_t lowWord(intptr_t value) { return static_cast<uint32_t>(value) & 0xFFFFu; }
inline uint32_t highWord(intptr_t value) { return (static_cast<uint32_t>(value) >> 16) & 0xFFFFu; }

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

// The window to create. Position and size are of the client area; the
// platform adds whatever frame its window system draws.
struct WindowSpec {
    std::string className;
    std::string title;
    int x = 0, y = 0;
    int width = 0, height = 0;
    bool popup = false;        // full-screen style: no frame
    bool acceptFiles = true;   // dropped files arrive as WM_DROPFILES
};

enum class BoxIcon { warning, stop, information };
enum class BoxButtons { ok, yesNo };
enum class BoxAnswer { ok, yes, no, failed };

// The orthographic view set on every resize: viewport width x height at the
// origin, projection from (left, bottom) to (right, top), depth 0 to 1.
struct ViewProjection {
    int width = 0, height = 0;
    int left = 0, right = 0, bottom = 0, top = 0;
};

// A frame read back from the colour buffer, bottom row first, RGB bytes.
struct FrameImage {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

class Platform {
public:
    virtual ~Platform() = default;

    // Message queue and time.
    // Removes the next queued message, if any, into `message`.
    virtual bool peekMessage(Message& message) = 0;
    // Queues WM_QUIT; the loop ends when it reads it.
    virtual void postQuitMessage(int exitCode) = 0;
    // What the window system does with a message the program does not handle.
    virtual intptr_t defaultWindowProcedure(const Message& message) = 0;
    // Milliseconds from an arbitrary start.
    virtual int64_t clock() = 0;
    virtual void sleep(int64_t milliseconds) = 0;

    // The window and its context, one call per step of opening and closing.
    virtual Handle moduleHandle() = 0;
    virtual bool registerWindowClass(Handle instance, const std::string& className) = 0;
    virtual bool unregisterWindowClass(Handle instance, const std::string& className) = 0;
    // Switches the display to width x height at colourBits for as long as the
    // program runs full screen; false when the display refuses the mode.
    virtual bool changeDisplayMode(int width, int height, int colourBits) = 0;
    virtual void restoreDisplayMode() = 0;
    virtual void showCursor() = 0;
    virtual Handle createWindow(const WindowSpec& spec) = 0;
    virtual bool destroyWindow(Handle window) = 0;
    virtual Handle getDeviceContext(Handle window) = 0;
    virtual bool releaseDeviceContext(Handle window, Handle deviceContext) = 0;
    // A format number (not 0) for the closest available pixel format.
    virtual int choosePixelFormat(Handle deviceContext, const PixelFormatRequest& request) = 0;
    virtual bool setPixelFormat(Handle deviceContext, int format, const PixelFormatRequest& request) = 0;
    virtual Handle createRenderContext(Handle deviceContext) = 0;
    // makeCurrent(0, 0) leaves no context current.
    virtual bool makeCurrent(Handle deviceContext, Handle renderContext) = 0;
    virtual bool deleteRenderContext(Handle renderContext) = 0;
    // Shows the window, brings it to the foreground and gives it the keyboard focus.
    virtual void showWindow(Handle window) = 0;
    virtual BoxAnswer messageBox(const std::string& text, const std::string& caption, BoxIcon icon,
                                 BoxButtons buttons) = 0;

    // Files dropped on the window together, by the handle WM_DROPFILES
    // carries in wParam, in the order the window system numbers them.
    virtual std::vector<std::string> droppedFiles(Handle drop) = 0;
    // Releases the drop; its handle is invalid afterwards.
    virtual void finishDrop(Handle drop) = 0;

    // Drawing in the current context.
    virtual void applyView(const ViewProjection& view) = 0;
    virtual void setupGLState() = 0;
    virtual void buildFont() = 0;
    virtual void reloadTextures() = 0;
    // Draws every world and the overlay, then swaps the buffers.
    virtual void renderFrame() = 0;
    // The colour buffer being drawn, before it is swapped (for screenshots);
    // false without a context.
    virtual bool readFrame(FrameImage& image) = 0;
};

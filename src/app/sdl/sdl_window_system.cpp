#include "app/sdl/sdl_window_system.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/sdl/sdl_messages.h"
#include "app/sdl/termination_signals.h"
#include "render/gl/gl_state.h"

namespace {

// SDL fixes a window's pixel format (its GL visual) when it creates the
// window, so the request is applied as GL attributes just before creation.
void applyPixelFormat(const PixelFormatRequest& request) {
    int channel = std::min(request.colourBits, 24) / 3;
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, request.alphaBits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, request.depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, request.stencilBits);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, request.accumBits);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, request.accumBits);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, request.accumBits);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, request.accumBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, request.doubleBuffer ? 1 : 0);
    // Immediate mode, display lists and glBitmap need the compatibility profile.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

// Whether a video driver can put a window in front of the user: X11 and
// Wayland only with their display named, never SDL's dummy driver, and its
// offscreen one only for a picture nobody needs to see (--screenshot).
bool canShowWindows(const std::string& driver, bool offscreenAllowed) {
    auto named = [](const char* variable) {
        const char* value = std::getenv(variable);
        return value != nullptr && *value != '\0';
    };
    if (driver == "x11") return named("DISPLAY");
    if (driver == "wayland") return named("WAYLAND_DISPLAY");
    if (driver == "dummy" || driver == "evdev") return false;
    if (driver == "offscreen") return offscreenAllowed;
    return true;
}

Uint32 boxFlags(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::warning:
            return SDL_MESSAGEBOX_WARNING;
        case BoxIcon::stop:
            return SDL_MESSAGEBOX_ERROR;
        case BoxIcon::information:
            return SDL_MESSAGEBOX_INFORMATION;
    }
    return SDL_MESSAGEBOX_INFORMATION;
}

// A window holds at most one mouse move: moves queued one after another
// collapse into the last, so a fast hand never leaves a backlog of moves
// ahead of a release or a key. Nothing else is merged or passed over.
void takeLatestMove(SDL_Event& event) {
    SDL_Event next;
    while (SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 &&
           next.type == SDL_MOUSEMOTION && next.motion.windowID == event.motion.windowID)
        SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_MOUSEMOTION, SDL_MOUSEMOTION);
}

// How long the old window waits at most for the new one to take the
// keyboard; a window manager that gives the focus elsewhere must not stall
// the toggle for longer.
constexpr Uint64 keyboardHandOverMs = 700;
// A little more than the time SDL's X11 driver lets pass between a focus
// change and acting on it (200 ms in SDL 2.26).
constexpr Uint32 sdlFocusDelayMs = 210;

}  // namespace

// Like the window system dropping a destroyed window's messages: the window
// an Alt+Enter replaced reports its own size (leaving full screen) and
// pointer moves in its own coordinates; neither says anything of the window
// open now.
bool SdlWindowSystem::ofAnotherWindow(const SDL_Event& event) const {
    Uint32 current = window_ ? SDL_GetWindowID(window_) : 0;
    if (event.type == SDL_WINDOWEVENT) return event.window.windowID != current;
    // A move with no window (0) comes from outside every window.
    if (event.type == SDL_MOUSEMOTION) return event.motion.windowID != 0 && event.motion.windowID != current;
    return false;
}

SdlWindowSystem::SdlWindowSystem(bool unattended) : unattended_(unattended) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    catchTerminationSignals();
    // The event queue and the clock outlive every window; the video
    // subsystem starts with the first window and stays to the end.
    started_ = SDL_Init(SDL_INIT_EVENTS | SDL_INIT_TIMER) == 0;
}

SdlWindowSystem::~SdlWindowSystem() {
    if (context_) SDL_GL_DeleteContext(context_);
    if (window_) SDL_DestroyWindow(window_);
    destroyRetiringWindow();
    if (videoStarted_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    SDL_Quit();
}

bool SdlWindowSystem::nextMessage(Message& message) {
    // A termination signal closes the window like its close box, once.
    if (terminationRequested() && !terminationDelivered_) {
        terminationDelivered_ = true;
        message = Message{wm::close, 0, 0, {}};
        return true;
    }
    if (!takeMessage(message)) return false;
    leftButton_.handedOut(message);
    return true;
}

// One SDL event may stand for several messages (a missed release before the
// focus it came back with); they wait in `pending_`, in order.
bool SdlWindowSystem::takeMessage(Message& message) {
    Uint32 windowID = window_ ? SDL_GetWindowID(window_) : 0;
    if (pending_.empty() && window_) leftButton_.watchForPress(windowID, pending_);
    SDL_Event event;
    while (pending_.empty() && SDL_PollEvent(&event)) {
        if (ofAnotherWindow(event)) continue;
        if (collectDrop(event, message)) return true;
        if (event.type == SDL_MOUSEMOTION) takeLatestMove(event);
        if (event.type == SDL_WINDOWEVENT &&
            (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED || event.window.event == SDL_WINDOWEVENT_ENTER))
            leftButton_.regained(windowID, pending_);
        Message translated;
        if (!translateEvent(event, translated)) continue;
        if (translated.message == wm::leftButtonUp)
            leftButton_.releasing(translated, pending_);
        else
            pending_.push_back(std::move(translated));
    }
    if (!pending_.empty()) {
        message = std::move(pending_.front());
        pending_.pop_front();
        return true;
    }
    // Like the posted quit of the window system, it comes once the queue is empty.
    if (quitPosted_) {
        quitPosted_ = false;
        message = Message{wm::quit, static_cast<uintptr_t>(quitCode_), 0, {}};
        return true;
    }
    return false;
}

bool SdlWindowSystem::quitPending() const { return quitPosted_ || terminationRequested(); }

void SdlWindowSystem::postQuitMessage(int exitCode) {
    quitPosted_ = true;
    quitCode_ = exitCode;
}

intptr_t SdlWindowSystem::defaultWindowProcedure(const Message&) {
    // SDL has already done whatever the window system does by default.
    return 0;
}

int64_t SdlWindowSystem::clock() { return static_cast<int64_t>(SDL_GetTicks64()); }

void SdlWindowSystem::sleep(int64_t milliseconds) {
    SDL_Delay(static_cast<Uint32>(std::clamp<int64_t>(milliseconds, 0, 0x7FFFFFFF)));
}

void SdlWindowSystem::swapBuffers() {
    if (window_ && context_) SDL_GL_SwapWindow(window_);
}

bool SdlWindowSystem::readFrame(FrameImage& image) {
    if (!window_ || !context_) return false;
    SDL_GL_GetDrawableSize(window_, &image.width, &image.height);
    return readBackBuffer(image.width, image.height, image.rgb);
}

void SdlWindowSystem::noteFailure(const std::string& what) { failure_ = what + ": " + SDL_GetError(); }

// Left to itself SDL falls back to a driver that shows nothing, and the
// program would run invisibly; so only drivers that can show a window are
// tried, in SDL's order, unless SDL_VIDEODRIVER names one. The video
// subsystem then stays up until the window system goes: starting SDL's X11
// video again right after quitting it fails now and then ("x11 not
// available"), which left Alt+Enter without a window.
bool SdlWindowSystem::startVideo() {
    if (videoStarted_) return true;
    const char* chosen = std::getenv("SDL_VIDEODRIVER");
    if (chosen != nullptr && *chosen != '\0') {
        videoStarted_ = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
        if (!videoStarted_) noteFailure(std::string("video driver ") + chosen);
        return videoStarted_;
    }
    failure_ = "no display to show a window on: neither DISPLAY nor WAYLAND_DISPLAY is set";
    for (int i = 0; i < SDL_GetNumVideoDrivers() && !videoStarted_; ++i) {
        std::string driver = SDL_GetVideoDriver(i);
        if (!canShowWindows(driver, unattended_)) continue;
        SDL_SetHint(SDL_HINT_VIDEODRIVER, driver.c_str());
        videoStarted_ = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
        // A display that was named and failed says more than "none named".
        if (!videoStarted_ && (driver == "x11" || driver == "wayland")) noteFailure("video driver " + driver);
    }
    if (!videoStarted_) return false;
    failure_.clear();
    // The program keeps the screen saver and monitor power-saving off.
    SDL_DisableScreenSaver();
    // Keys are read as key messages; no text composition.
    SDL_StopTextInput();
    return true;
}

// The display accepts exactly the modes it lists, at the requested depth.
bool SdlWindowSystem::findDisplayMode(int width, int height, int colourBits) {
    int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) != 0) continue;
        if (mode.w == width && mode.h == height && static_cast<int>(SDL_BYTESPERPIXEL(mode.format)) * 8 == colourBits) {
            fullscreenMode_ = mode;
            return true;
        }
    }
    return false;
}

WindowStep SdlWindowSystem::openWindow(const WindowRequest& request) {
    WindowStep failed = makeWindow(request);
    // The window being replaced goes now, at the latest: it hands the
    // keyboard only to a window that is there.
    if (failed == WindowStep::none)
        handOverKeyboard();
    else
        destroyRetiringWindow();
    return failed;
}

WindowStep SdlWindowSystem::makeWindow(const WindowRequest& request) {
    // Without a display there is no window to create.
    if (!startVideo()) return WindowStep::createWindow;
    if (request.fullscreen && !findDisplayMode(request.width, request.height, request.colourBits))
        return WindowStep::displayMode;
    if (window_) return WindowStep::createWindow;

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    flags |= request.fullscreen ? SDL_WINDOW_FULLSCREEN : SDL_WINDOW_RESIZABLE;
    SDL_EventState(SDL_DROPFILE, request.acceptFiles ? SDL_ENABLE : SDL_DISABLE);
    // A request SDL cannot draw with has no pixel format to choose.
    if (!request.pixelFormat.drawToWindow || !request.pixelFormat.supportOpenGL) return WindowStep::choosePixelFormat;
    applyPixelFormat(request.pixelFormat);
    window_ = SDL_CreateWindow(request.title.c_str(), request.x, request.y, std::max(request.width, 1),
                               std::max(request.height, 1), flags);
    if (!window_) {
        noteFailure("window");
        return WindowStep::createWindow;
    }
    // The full-screen window switches the display to the mode asked for
    // when it is shown, and back when it leaves full screen.
    fullscreenWindow_ = request.fullscreen;
    if (fullscreenWindow_) SDL_SetWindowDisplayMode(window_, &fullscreenMode_);

    context_ = SDL_GL_CreateContext(window_);
    if (!context_) {
        noteFailure("OpenGL context");
        return WindowStep::createContext;
    }
    if (SDL_GL_MakeCurrent(window_, context_) != 0) {
        noteFailure("current context");
        return WindowStep::makeCurrent;
    }
    // Frames are paced by the loop alone: no wait for the display's refresh.
    SDL_GL_SetSwapInterval(0);
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
    // Raising asks a window manager for the focus; without one (a bare X
    // server) the keyboard would stay with whatever had it before.
    SDL_SetWindowInputFocus(window_);
    return WindowStep::none;
}

ReleaseFailures SdlWindowSystem::closeWindow() {
    ReleaseFailures failures;
    if (window_ && fullscreenWindow_) {
        SDL_SetWindowFullscreen(window_, 0);
        SDL_ShowCursor(SDL_ENABLE);
    }
    fullscreenWindow_ = false;
    if (context_) {
        failures.releaseCurrent = SDL_GL_MakeCurrent(window_, nullptr) != 0;
        SDL_GL_DeleteContext(context_);
        context_ = nullptr;
    }
    if (window_) {
        // The window stays on the screen, with the keyboard, until the next
        // one has taken the keyboard over (see handOverKeyboard); opened
        // from here it never is, and it goes at once.
        destroyRetiringWindow();
        retiring_ = window_;
        window_ = nullptr;
    } else {
        destroyRetiringWindow();
    }
    return failures;
}

// Keys pressed while a new window is made (Alt+Enter) reach the old one,
// which keeps the keyboard until the new one takes it: destroyed first, it
// would leave X no window to give them to, and X drops such keys. The old
// window goes once SDL has moved its keyboard focus to the new one, so every
// key X sent the old one is in SDL's queue by then, in order.
//
// SDL moves its focus some 200 ms after X does, letting go of every key
// held at that moment and pressing the modifiers still down again. Left to
// do that while it reads the keys typed meanwhile, it can let go of the Alt
// of an Alt+Enter between the Alt and the Enter; so SDL reads nothing until
// the move is due, and then everything in one go, the move last.
void SdlWindowSystem::handOverKeyboard() {
    if (retiring_ == nullptr) return;
    Uint64 deadline = SDL_GetTicks64() + keyboardHandOverMs;
    SDL_PumpEvents();
    while (SDL_GetKeyboardFocus() != window_ && SDL_GetTicks64() < deadline) {
        SDL_Delay(sdlFocusDelayMs);
        SDL_PumpEvents();
    }
    destroyRetiringWindow();
}

void SdlWindowSystem::destroyRetiringWindow() {
    if (retiring_ == nullptr) return;
    SDL_DestroyWindow(retiring_);
    retiring_ = nullptr;
}

BoxAnswer SdlWindowSystem::messageBox(const std::string& text, const std::string& caption, BoxIcon icon,
                                      BoxButtons buttons) {
    constexpr int yesId = 1, noId = 0;
    const SDL_MessageBoxButtonData okButton[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, yesId, "OK"}};
    const SDL_MessageBoxButtonData yesNoButtons[] = {{SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, noId, "No"},
                                                     {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, yesId, "Yes"}};
    bool yesNo = buttons == BoxButtons::yesNo;
    SDL_MessageBoxData data{};
    data.flags = boxFlags(icon);
    data.window = nullptr;  // no owner window
    data.title = caption.c_str();
    data.message = text.c_str();
    data.numbuttons = yesNo ? 2 : 1;
    data.buttons = yesNo ? yesNoButtons : okButton;
    // The report also goes to the error stream, one line with SDL's reason
    // for the failure it reports, where it outlives the box and reaches the
    // user even when no box can be shown.
    std::string line = text;
    std::replace(line.begin(), line.end(), '\n', ' ');
    if (!failure_.empty()) line += " (" + failure_ + ")";
    failure_.clear();
    std::fprintf(stderr, "vantor: %s: %s\n", caption.c_str(), line.c_str());
    // Nobody to answer, or the program is asked to end: no box.
    if (unattended_ || terminationRequested()) return BoxAnswer::failed;
    int pressed = -1;
    BoxWatch watch;
    if (SDL_ShowMessageBox(&data, &pressed) != 0 || terminationRequested()) return BoxAnswer::failed;
    if (!yesNo) return BoxAnswer::ok;
    return pressed == yesId ? BoxAnswer::yes : BoxAnswer::no;
}

// Files dropped together arrive one event each between a begin and a
// completion; they become one WM_DROPFILES carrying the list.
bool SdlWindowSystem::collectDrop(const SDL_Event& event, Message& message) {
    switch (event.type) {
        case SDL_DROPBEGIN:
            pendingDrop_.clear();
            return false;
        case SDL_DROPFILE:
            if (event.drop.file) {
                pendingDrop_.emplace_back(event.drop.file);
                SDL_free(event.drop.file);
            }
            return false;
        case SDL_DROPTEXT:
            if (event.drop.file) SDL_free(event.drop.file);
            return false;
        case SDL_DROPCOMPLETE: {
            if (pendingDrop_.empty()) return false;
            message = Message{wm::dropFiles, 0, 0, std::move(pendingDrop_)};
            pendingDrop_.clear();
            return true;
        }
        default:
            return false;
    }
}

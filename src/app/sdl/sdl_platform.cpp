#include "app/sdl/sdl_platform.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>

#include "app/sdl/sdl_messages.h"
#include "render/gl/font.h"
#include "render/gl/gl_state.h"
#include "render/gl/scene.h"
#include "render/textures.h"

namespace {

// The one module of the program, as far as anyone asks.
constexpr Handle programModule = 1;

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

bool sameFormat(const PixelFormatRequest& a, const PixelFormatRequest& b) {
    return a.drawToWindow == b.drawToWindow && a.supportOpenGL == b.supportOpenGL &&
           a.doubleBuffer == b.doubleBuffer && a.colourBits == b.colourBits && a.alphaBits == b.alphaBits &&
           a.accumBits == b.accumBits && a.depthBits == b.depthBits && a.stencilBits == b.stencilBits;
}

// The message box says what failed; SDL's reason goes to the error stream.
bool reportSdlFailure(const char* step) {
    std::fprintf(stderr, "vantor: %s: %s\n", step, SDL_GetError());
    return false;
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

}  // namespace

SdlPlatform::SdlPlatform() {
    // The event queue and the clock outlive every window; the video
    // subsystem starts with the first window class and stays to the end.
    started_ = SDL_Init(SDL_INIT_EVENTS | SDL_INIT_TIMER) == 0;
    windowFormat_.colourBits = 32;
}

SdlPlatform::~SdlPlatform() {
    if (context_) SDL_GL_DeleteContext(context_);
    if (window_) SDL_DestroyWindow(window_);
    if (videoStarted_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    SDL_Quit();
}

bool SdlPlatform::peekMessage(Message& message) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (collectDrop(event, message)) return true;
        if (translateEvent(event, message)) return true;
    }
    // Like the posted quit of the window system, it comes once the queue is empty.
    if (quitPosted_) {
        quitPosted_ = false;
        message = Message{0, wm::quit, static_cast<uintptr_t>(quitCode_), 0};
        return true;
    }
    return false;
}

void SdlPlatform::postQuitMessage(int exitCode) {
    quitPosted_ = true;
    quitCode_ = exitCode;
}

intptr_t SdlPlatform::defaultWindowProcedure(const Message&) {
    // SDL has already done whatever the window system does by default.
    return 0;
}

int64_t SdlPlatform::clock() { return static_cast<int64_t>(SDL_GetTicks64()); }

void SdlPlatform::sleep(int64_t milliseconds) {
    SDL_Delay(static_cast<Uint32>(std::clamp<int64_t>(milliseconds, 0, 0x7FFFFFFF)));
}

Handle SdlPlatform::moduleHandle() { return programModule; }

bool SdlPlatform::registerWindowClass(Handle, const std::string&) {
    if (!videoStarted_) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return reportSdlFailure("video");
        videoStarted_ = true;
    }
    // The program keeps the screen saver and monitor power-saving off.
    SDL_DisableScreenSaver();
    // Keys are read as key messages; no text composition.
    SDL_StopTextInput();
    return true;
}

// The video subsystem stays up until the platform goes: starting SDL's X11
// video again right after quitting it fails now and then ("x11 not
// available"), which left Alt+Enter without a window.
bool SdlPlatform::unregisterWindowClass(Handle, const std::string&) { return true; }

// The display accepts exactly the modes it lists, at the requested depth.
bool SdlPlatform::changeDisplayMode(int width, int height, int colourBits) {
    int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) != 0) continue;
        if (mode.w == width && mode.h == height && static_cast<int>(SDL_BYTESPERPIXEL(mode.format)) * 8 == colourBits) {
            fullscreenMode_ = mode;
            fullscreenModeSet_ = true;
            return true;
        }
    }
    return false;
}

void SdlPlatform::restoreDisplayMode() {
    if (window_) SDL_SetWindowFullscreen(window_, 0);
    fullscreenModeSet_ = false;
}

void SdlPlatform::showCursor() { SDL_ShowCursor(SDL_ENABLE); }

Handle SdlPlatform::createWindow(const WindowSpec& spec) {
    if (window_ || !videoStarted_) return 0;
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    flags |= spec.popup ? SDL_WINDOW_FULLSCREEN : SDL_WINDOW_RESIZABLE;
    SDL_EventState(SDL_DROPFILE, spec.acceptFiles ? SDL_ENABLE : SDL_DISABLE);
    applyPixelFormat(windowFormat_);
    window_ = SDL_CreateWindow(spec.title.c_str(), spec.x, spec.y, std::max(spec.width, 1), std::max(spec.height, 1),
                               flags);
    if (!window_) {
        reportSdlFailure("window");
        return 0;
    }
    // The full-screen window switches the display to the mode asked for
    // when it is shown, and back when it leaves full screen.
    if (spec.popup && fullscreenModeSet_) SDL_SetWindowDisplayMode(window_, &fullscreenMode_);
    return SDL_GetWindowID(window_);
}

bool SdlPlatform::destroyWindow(Handle window) {
    if (!window_ || window != SDL_GetWindowID(window_)) return false;
    SDL_DestroyWindow(window_);
    window_ = nullptr;
    // Like the window system dropping a destroyed window's messages: leaving
    // full screen queues a size change of the old window, and the next window
    // (after Alt+Enter) may get the same id, so it would set the new view to
    // the old size.
    SDL_FlushEvent(SDL_WINDOWEVENT);
    return true;
}

// SDL draws through the window itself; the window stands for its device context.
Handle SdlPlatform::getDeviceContext(Handle window) {
    return window_ && window == SDL_GetWindowID(window_) ? window : 0;
}

bool SdlPlatform::releaseDeviceContext(Handle window, Handle deviceContext) {
    return window == deviceContext;
}

int SdlPlatform::choosePixelFormat(Handle deviceContext, const PixelFormatRequest& request) {
    if (getDeviceContext(deviceContext) == 0) return 0;
    if (!request.drawToWindow || !request.supportOpenGL) return 0;
    return 1;
}

// The window was made with the format in force then; a different request
// would need a new window, which the window system cannot give this one.
bool SdlPlatform::setPixelFormat(Handle deviceContext, int format, const PixelFormatRequest& request) {
    if (getDeviceContext(deviceContext) == 0 || format != 1) return false;
    if (!(SDL_GetWindowFlags(window_) & SDL_WINDOW_OPENGL)) return false;
    if (sameFormat(request, windowFormat_)) return true;
    windowFormat_ = request;  // in force for the next window
    return false;
}

Handle SdlPlatform::createRenderContext(Handle deviceContext) {
    if (getDeviceContext(deviceContext) == 0 || context_) return 0;
    context_ = SDL_GL_CreateContext(window_);
    if (!context_) {
        reportSdlFailure("OpenGL context");
        return 0;
    }
    // SDL makes a new context current at once; the caller does that next.
    SDL_GL_MakeCurrent(window_, nullptr);
    contextHandle_ = nextContextHandle_++;
    return contextHandle_;
}

bool SdlPlatform::makeCurrent(Handle deviceContext, Handle renderContext) {
    if (deviceContext == 0 && renderContext == 0) return SDL_GL_MakeCurrent(window_, nullptr) == 0;
    if (getDeviceContext(deviceContext) == 0 || renderContext != contextHandle_ || !context_) return false;
    return SDL_GL_MakeCurrent(window_, context_) == 0 || reportSdlFailure("current context");
}

bool SdlPlatform::deleteRenderContext(Handle renderContext) {
    if (!context_ || renderContext != contextHandle_) return false;
    SDL_GL_DeleteContext(context_);
    context_ = nullptr;
    contextHandle_ = 0;
    return true;
}

void SdlPlatform::showWindow(Handle window) {
    if (!window_ || window != SDL_GetWindowID(window_)) return;
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
}

BoxAnswer SdlPlatform::messageBox(const std::string& text, const std::string& caption, BoxIcon icon,
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
    // The report also goes to the error stream, where it outlives the box
    // and reaches the user even when no box can be shown.
    std::fprintf(stderr, "vantor: %s: %s\n", caption.c_str(), text.c_str());
    int pressed = -1;
    if (SDL_ShowMessageBox(&data, &pressed) != 0) {
        reportSdlFailure("message box");
        return BoxAnswer::failed;
    }
    if (!yesNo) return BoxAnswer::ok;
    return pressed == yesId ? BoxAnswer::yes : BoxAnswer::no;
}

std::vector<std::string> SdlPlatform::droppedFiles(Handle drop) {
    auto found = drops_.find(drop);
    return found == drops_.end() ? std::vector<std::string>{} : found->second;
}

void SdlPlatform::finishDrop(Handle drop) { drops_.erase(drop); }

// Files dropped together arrive one event each between a begin and a
// completion; they become one WM_DROPFILES with a handle to the list.
bool SdlPlatform::collectDrop(const SDL_Event& event, Message& message) {
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
            Handle drop = nextDrop_++;
            drops_[drop] = std::move(pendingDrop_);
            pendingDrop_.clear();
            message = Message{event.drop.windowID, wm::dropFiles, drop, 0};
            return true;
        }
        default:
            return false;
    }
}

void SdlPlatform::applyView(const ViewProjection& view) {
    if (context_) ::applyView(view);
}

void SdlPlatform::setupGLState() {
    if (context_) ::setupGLState();
}

void SdlPlatform::buildFont() {
    if (context_) ::buildFont();
}

void SdlPlatform::reloadTextures() {
    if (context_) ::reloadTextures();
}

void SdlPlatform::renderFrame() {
    if (!context_) return;
    ::renderFrame();
    SDL_GL_SwapWindow(window_);
}

bool SdlPlatform::readFrame(FrameImage& image) {
    if (!context_) return false;
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(window_, &width, &height);
    return readBackBuffer(width, height, image);
}

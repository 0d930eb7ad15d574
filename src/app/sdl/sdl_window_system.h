// The window system on SDL2: events as window messages, SDL's clock and
// delay, one SDL window with an OpenGL compatibility context, SDL message
// boxes, and the back buffer read back through GL.
#pragma once

#include <SDL.h>

#include <deque>
#include <string>
#include <vector>

#include "app/sdl/left_button_watch.h"
#include "app/window_system.h"

class SdlWindowSystem : public WindowSystem {
public:
    // `unattended`: a run nobody watches (it only reads its frames back) may
    // draw where no display shows them, and shows no message box: nobody
    // could answer it. Its reports go to the error stream alone, and a
    // question counts as unanswered.
    explicit SdlWindowSystem(bool unattended = false);
    ~SdlWindowSystem() override;
    SdlWindowSystem(const SdlWindowSystem&) = delete;
    SdlWindowSystem& operator=(const SdlWindowSystem&) = delete;

    // False when SDL's event and timer services cannot start.
    bool started() const { return started_; }

    bool nextMessage(Message& message) override;
    void postQuitMessage(int exitCode) override;
    // Also once a termination signal has come: its close is on the way.
    bool quitPending() const override;
    intptr_t defaultWindowProcedure(const Message& message) override;
    int64_t clock() override;
    void sleep(int64_t milliseconds) override;
    void swapBuffers() override;
    bool readFrame(FrameImage& image) override;

    WindowStep openWindow(const WindowRequest& request) override;
    ReleaseFailures closeWindow() override;
    BoxAnswer messageBox(const std::string& text, const std::string& caption, BoxIcon icon,
                         BoxButtons buttons) override;

private:
    bool takeMessage(Message& message);
    bool startVideo();
    // SDL's reason for a failing step, told with the report that follows.
    void noteFailure(const std::string& what);
    bool findDisplayMode(int width, int height, int colourBits);
    WindowStep makeWindow(const WindowRequest& request);
    void handOverKeyboard();
    void destroyRetiringWindow();
    bool ofAnotherWindow(const SDL_Event& event) const;
    bool collectDrop(const SDL_Event& event, Message& message);

    bool unattended_;
    bool terminationDelivered_ = false;
    std::string failure_;
    bool started_ = false;
    bool videoStarted_ = false;
    bool quitPosted_ = false;
    int quitCode_ = 0;
    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
    // The window an Alt+Enter is replacing: closed, but still on the screen
    // with the keyboard until the new one is open.
    SDL_Window* retiring_ = nullptr;
    bool fullscreenWindow_ = false;
    SDL_DisplayMode fullscreenMode_{};
    std::vector<std::string> pendingDrop_;
    std::deque<Message> pending_;
    LeftButtonWatch leftButton_;
};

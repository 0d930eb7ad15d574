#include "app/sdl/left_button_watch.h"

#include "app/sdl/sdl_messages.h"

namespace {

bool leftButtonIsDown() { return (SDL_GetGlobalMouseState(nullptr, nullptr) & SDL_BUTTON_LMASK) != 0; }

bool sdlCountsLeftButtonDown() { return (SDL_GetMouseState(nullptr, nullptr) & SDL_BUTTON_LMASK) != 0; }

// SDL's queue holds a left release not yet handed out.
bool leftReleaseQueued() {
    SDL_Event queued[64];
    int count = SDL_PeepEvents(queued, 64, SDL_PEEKEVENT, SDL_MOUSEBUTTONUP, SDL_MOUSEBUTTONUP);
    for (int i = 0; i < count; ++i)
        if (queued[i].button.button == SDL_BUTTON_LEFT) return true;
    return false;
}

}  // namespace

Message cursorMessage(uint32_t message, Uint32 windowID) {
    int x = 0, y = 0;
    Uint32 buttons = SDL_GetMouseState(&x, &y);
    Message made;
    made.message = message;
    made.wParam = mouseFlags(buttons);
    made.lParam = clientPoint(windowID, x, y);
    return made;
}

void LeftButtonWatch::handedOut(const Message& message) {
    if (message.message == wm::leftButtonDown) pressWaiting_ = true;
    if (message.message == wm::leftButtonUp) pressWaiting_ = false;
}

void LeftButtonWatch::regained(Uint32 windowID, std::deque<Message>& out) {
    if (!pressWaiting_ || leftButtonIsDown() || leftReleaseQueued()) return;
    pressWaiting_ = false;
    sdlCountsDown_ = sdlCountsLeftButtonDown();
    // With Ctrl down a release would keep what the cursor holds: nothing to deliver.
    if ((SDL_GetModState() & KMOD_CTRL) != 0) return;
    Message release = cursorMessage(wm::leftButtonUp, windowID);
    release.wParam &= ~uintptr_t{mkLeftButton};
    out.push_back(release);
}

void LeftButtonWatch::watchForPress(Uint32 windowID, std::deque<Message>& out) {
    if (!sdlCountsDown_ || pressWaiting_) return;
    if (!sdlCountsLeftButtonDown()) {
        sdlCountsDown_ = false;
        return;
    }
    if (!leftButtonIsDown()) return;
    // The press acts where the last move put the cursor.
    out.push_back(cursorMessage(wm::mouseMove, windowID));
    out.push_back(cursorMessage(wm::leftButtonDown, windowID));
}

void LeftButtonWatch::releasing(const Message& release, std::deque<Message>& out) {
    if (sdlCountsDown_ && !pressWaiting_) {
        Message press = release;
        press.message = wm::leftButtonDown;
        press.wParam |= mkLeftButton;
        out.push_back(press);
    }
    sdlCountsDown_ = false;
    out.push_back(release);
}

// The left button as the program has seen it, and the release a window can
// miss: the button went up while the window was unmapped, or while another
// window had taken the pointer, and no button-up came. Left alone, the
// spring the press made would stay and the body would follow the cursor
// with no button down.
#pragma once

#include <SDL.h>

#include <deque>

#include "app/messages.h"

class LeftButtonWatch {
public:
    // Every message handed to the program passes here.
    void handedOut(const Message& message);

    // The window `windowID` regained the focus or the pointer. When a left
    // press still waits for its release, the button is up, no release is on
    // its way and Ctrl (the keep key) is not down, the release the window
    // missed joins `out`.
    void regained(Uint32 windowID, std::deque<Message>& out);

    // SDL, too, missed that release: it still counts the button as down and
    // passes over the next press. Until SDL's count is right again, the
    // press is read from the button itself: when it is down, a move to the
    // cursor and the press join `out`.
    void watchForPress(Uint32 windowID, std::deque<Message>& out);

    // A left release from SDL; a press SDL passed over and that was too
    // quick to be seen comes first.
    void releasing(const Message& release, std::deque<Message>& out);

private:
    bool pressWaiting_ = false;   // a left press was handed out, its release not yet
    bool sdlCountsDown_ = false;  // SDL still counts the button as down after a missed release
};

// A message of the mouse at the cursor, as SDL last saw it over `windowID`.
Message cursorMessage(uint32_t message, Uint32 windowID);

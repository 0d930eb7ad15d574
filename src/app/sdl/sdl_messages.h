// SDL2 events as the program's window messages: key events with Win32
// virtual-key codes (and the system-key rule for Alt and F10), mouse
// events with client coordinates packed into lParam (held to the client
// area), window events as WM_SIZE, WM_ACTIVATE and WM_CLOSE.
#pragma once

#include <SDL.h>

#include "app/messages.h"

// The mouse-message wParam flag of the left button.
constexpr uintptr_t mkLeftButton = 0x0001;

// A mouse message's wParam: the buttons down (an SDL button mask) and the
// modifier keys down.
uintptr_t mouseFlags(Uint32 buttons);

// A point of the window `windowID` as a mouse message's lParam, held to the
// client area.
intptr_t clientPoint(Uint32 windowID, int x, int y);

// The virtual-key code of an SDL key, 0 for keys the program has no code for.
int virtualKeyOf(SDL_Keycode key);

// True when the message for `event` was produced; events that have no
// message (text input, unknown keys, most window events) give false.
bool translateEvent(const SDL_Event& event, Message& message);

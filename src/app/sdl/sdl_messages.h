// SDL2 events as the program's window messages: key events with Win32
// virtual-key codes (and the system-key rule for Alt and F10), mouse
// events with client coordinates packed into lParam (held to the client
// area), window events as WM_SIZE, WM_ACTIVATE and WM_CLOSE.
#pragma once

#include <SDL.h>

#include "app/messages.h"

// The virtual-key code of an SDL key, 0 for keys the program has no code for.
int virtualKeyOf(SDL_Keycode key);

// True when the message for `event` was produced; events that have no
// message (text input, unknown keys, most window events) give false.
bool translateEvent(const SDL_Event& event, Message& message);

#include "app/sdl/sdl_messages.h"

#include <algorithm>

namespace {

// Mouse-message wParam flags: which buttons and modifier keys are down.
constexpr uintptr_t mkRightButton = 0x0002;
constexpr uintptr_t mkShift = 0x0004;
constexpr uintptr_t mkControl = 0x0008;
constexpr uintptr_t mkMiddleButton = 0x0010;

// Key-message lParam bits: repeat count 1, Alt held, key was down, key goes up.
constexpr uint32_t keyRepeatCountOne = 0x00000001u;
constexpr uint32_t keyContextAlt = 1u << 29;
constexpr uint32_t keyPreviouslyDown = 1u << 30;
constexpr uint32_t keyTransitionUp = 1u << 31;

struct KeyCode {
    SDL_Keycode key;
    int virtualKey;
};

// Keys whose SDL code is not a letter or a digit.
constexpr KeyCode keyTable[] = {
    {SDLK_BACKSPACE, 0x08},   {SDLK_TAB, 0x09},       {SDLK_RETURN, 0x0D},       {SDLK_KP_ENTER, 0x0D},
    {SDLK_LSHIFT, 0x10},      {SDLK_RSHIFT, 0x10},    {SDLK_LCTRL, 0x11},        {SDLK_RCTRL, 0x11},
    {SDLK_LALT, 0x12},        {SDLK_RALT, 0x12},      {SDLK_PAUSE, 0x13},        {SDLK_CAPSLOCK, 0x14},
    {SDLK_ESCAPE, 0x1B},      {SDLK_SPACE, 0x20},     {SDLK_PAGEUP, 0x21},       {SDLK_PAGEDOWN, 0x22},
    {SDLK_END, 0x23},         {SDLK_HOME, 0x24},      {SDLK_LEFT, 0x25},         {SDLK_UP, 0x26},
    {SDLK_RIGHT, 0x27},       {SDLK_DOWN, 0x28},      {SDLK_PRINTSCREEN, 0x2C},  {SDLK_INSERT, 0x2D},
    {SDLK_DELETE, 0x2E},      {SDLK_LGUI, 0x5B},      {SDLK_RGUI, 0x5C},         {SDLK_APPLICATION, 0x5D},
    {SDLK_KP_0, 0x60},        {SDLK_KP_1, 0x61},      {SDLK_KP_2, 0x62},         {SDLK_KP_3, 0x63},
    {SDLK_KP_4, 0x64},        {SDLK_KP_5, 0x65},      {SDLK_KP_6, 0x66},         {SDLK_KP_7, 0x67},
    {SDLK_KP_8, 0x68},        {SDLK_KP_9, 0x69},      {SDLK_KP_MULTIPLY, 0x6A},  {SDLK_KP_PLUS, 0x6B},
    {SDLK_KP_MINUS, 0x6D},    {SDLK_KP_PERIOD, 0x6E}, {SDLK_KP_DIVIDE, 0x6F},    {SDLK_NUMLOCKCLEAR, 0x90},
    {SDLK_SCROLLLOCK, 0x91},  {SDLK_SEMICOLON, 0xBA}, {SDLK_EQUALS, 0xBB},       {SDLK_COMMA, 0xBC},
    {SDLK_MINUS, 0xBD},       {SDLK_PERIOD, 0xBE},    {SDLK_SLASH, 0xBF},        {SDLK_BACKQUOTE, 0xC0},
    {SDLK_LEFTBRACKET, 0xDB}, {SDLK_BACKSLASH, 0xDC}, {SDLK_RIGHTBRACKET, 0xDD}, {SDLK_QUOTE, 0xDE},
};

constexpr int virtualKeyAlt = 0x12;
constexpr int virtualKeyF10 = 0x79;

uintptr_t modifierFlags() {
    SDL_Keymod mod = SDL_GetModState();
    return ((mod & KMOD_SHIFT) ? mkShift : 0) | ((mod & KMOD_CTRL) ? mkControl : 0);
}

uintptr_t buttonFlags(uint32_t state) {
    return ((state & SDL_BUTTON_LMASK) ? mkLeftButton : 0) | ((state & SDL_BUTTON_RMASK) ? mkRightButton : 0) |
           ((state & SDL_BUTTON_MMASK) ? mkMiddleButton : 0);
}

// Keys pressed or released while Alt is held, Alt itself and F10 are system
// keys: they arrive as WM_SYSKEYDOWN/UP and never enter the key table.
bool translateKey(const SDL_KeyboardEvent& key, Message& message) {
    int virtualKey = virtualKeyOf(key.keysym.sym);
    if (virtualKey == 0) return false;
    bool up = key.type == SDL_KEYUP;
    bool altHeld = (key.keysym.mod & KMOD_ALT) != 0;
    bool system = altHeld || virtualKey == virtualKeyAlt || virtualKey == virtualKeyF10;
    if (system)
        message.message = up ? wm::sysKeyUp : wm::sysKeyDown;
    else
        message.message = up ? wm::keyUp : wm::keyDown;
    message.wParam = static_cast<uintptr_t>(virtualKey);
    uint32_t bits = keyRepeatCountOne;
    if (altHeld) bits |= keyContextAlt;
    if (up || key.repeat) bits |= keyPreviouslyDown;
    if (up) bits |= keyTransitionUp;
    message.lParam = static_cast<intptr_t>(bits);
    return true;
}

bool translateButton(const SDL_MouseButtonEvent& button, Message& message) {
    bool down = button.type == SDL_MOUSEBUTTONDOWN;
    if (button.button == SDL_BUTTON_LEFT)
        message.message = down ? wm::leftButtonDown : wm::leftButtonUp;
    else if (button.button == SDL_BUTTON_RIGHT)
        message.message = down ? wm::rightButtonDown : wm::rightButtonUp;
    else if (button.button == SDL_BUTTON_MIDDLE)
        message.message = down ? wm::middleButtonDown : wm::middleButtonUp;
    else
        return false;
    message.wParam = mouseFlags(SDL_GetMouseState(nullptr, nullptr));
    message.lParam = clientPoint(button.windowID, button.x, button.y);
    return true;
}

// A turn away from the user is positive, whichever way the system's
// "natural scrolling" flips what SDL reports; the point is the cursor's
// (SDL 2.26 carries it in the event).
bool translateWheel(const SDL_MouseWheelEvent& wheel, Message& message) {
    int notches = wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -wheel.y : wheel.y;
    if (notches == 0) return false;
    message.message = wm::mouseWheel;
    message.wParam =
        wheelWParam(std::clamp(notches, -273, 273) * wheelNotch) | mouseFlags(SDL_GetMouseState(nullptr, nullptr));
    message.lParam = clientPoint(wheel.windowID, wheel.mouseX, wheel.mouseY);
    return true;
}

bool translateWindowEvent(const SDL_WindowEvent& window, Message& message) {
    switch (window.event) {
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            message.message = wm::size;
            message.wParam = 0;
            message.lParam = packLParam(window.data1, window.data2);
            return true;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
        case SDL_WINDOWEVENT_FOCUS_LOST:
            message.message = wm::activate;
            message.wParam = window.event == SDL_WINDOWEVENT_FOCUS_GAINED ? 1 : 0;
            message.lParam = 0;
            return true;
        case SDL_WINDOWEVENT_CLOSE:
            message.message = wm::close;
            message.wParam = 0;
            message.lParam = 0;
            return true;
        default:
            return false;
    }
}

}  // namespace

uintptr_t mouseFlags(Uint32 buttons) { return buttonFlags(buttons) | modifierFlags(); }

// SDL keeps reporting the mouse while a button holds it captured, also
// beyond the client area, where coordinates go negative or past the size;
// packed into unsigned halves a negative one would read as 65 000 and more.
// Outside the client area the nearest point of it stands for the cursor.
intptr_t clientPoint(Uint32 windowID, int x, int y) {
    int width = 0, height = 0;
    if (SDL_Window* window = SDL_GetWindowFromID(windowID)) SDL_GetWindowSize(window, &width, &height);
    if (width > 0) x = std::min(x, width - 1);
    if (height > 0) y = std::min(y, height - 1);
    return packLParam(std::max(x, 0), std::max(y, 0));
}

int virtualKeyOf(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 0x41 + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return 0x30 + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return 0x70 + (key - SDLK_F1);
    if (key >= SDLK_F13 && key <= SDLK_F24) return 0x7C + (key - SDLK_F13);
    for (const KeyCode& entry : keyTable)
        if (entry.key == key) return entry.virtualKey;
    return 0;
}

bool translateEvent(const SDL_Event& event, Message& message) {
    message = Message{};
    switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            return translateKey(event.key, message);
        case SDL_MOUSEMOTION:
            message.message = wm::mouseMove;
            message.wParam = mouseFlags(event.motion.state);
            message.lParam = clientPoint(event.motion.windowID, event.motion.x, event.motion.y);
            return true;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            return translateButton(event.button, message);
        case SDL_MOUSEWHEEL:
            return translateWheel(event.wheel, message);
        case SDL_WINDOWEVENT:
            return translateWindowEvent(event.window, message);
        case SDL_QUIT:
            // A quit request from outside (a signal, the session ending)
            // closes the window like its close box.
            message.message = wm::close;
            return true;
        default:
            return false;
    }
}

// SDL2 events as window messages: virtual-key codes, the system-key rule,
// packed coordinates, window events, drops and the posted quit.
#include <gtest/gtest.h>

#include <cstring>

#include "app/input_state.h"
#include "app/sdl/sdl_messages.h"
#include "app/sdl/sdl_window_system.h"

namespace {

SDL_Event keyEvent(Uint32 type, SDL_Keycode key, Uint16 mod = KMOD_NONE, Uint8 repeat = 0) {
    SDL_Event event{};
    event.type = type;
    event.key.type = type;
    event.key.keysym.sym = key;
    event.key.keysym.mod = mod;
    event.key.repeat = repeat;
    return event;
}

Message translated(const SDL_Event& event) {
    Message message;
    EXPECT_TRUE(translateEvent(event, message));
    return message;
}

TEST(SdlMessages, KeysCarryTheirVirtualKeyCodes) {
    EXPECT_EQ(virtualKeyOf(SDLK_j), vk::j);
    EXPECT_EQ(virtualKeyOf(SDLK_s), vk::s);
    EXPECT_EQ(virtualKeyOf(SDLK_F3), vk::f3);
    EXPECT_EQ(virtualKeyOf(SDLK_F9), vk::f9);
    EXPECT_EQ(virtualKeyOf(SDLK_LCTRL), vk::control);
    EXPECT_EQ(virtualKeyOf(SDLK_RCTRL), vk::control);
    EXPECT_EQ(virtualKeyOf(SDLK_SPACE), vk::space);
    EXPECT_EQ(virtualKeyOf(SDLK_RETURN), vk::returnKey);
    EXPECT_EQ(virtualKeyOf(SDLK_LALT), vk::menu);
    EXPECT_EQ(virtualKeyOf(SDLK_UNKNOWN), 0);

    Message down = translated(keyEvent(SDL_KEYDOWN, SDLK_k));
    EXPECT_EQ(down.message, wm::keyDown);
    EXPECT_EQ(down.wParam, static_cast<uintptr_t>(vk::k));
    Message up = translated(keyEvent(SDL_KEYUP, SDLK_k));
    EXPECT_EQ(up.message, wm::keyUp);
    EXPECT_NE(up.lParam & (intptr_t{1} << 31), 0);
    Message unknown;
    EXPECT_FALSE(translateEvent(keyEvent(SDL_KEYDOWN, SDLK_UNKNOWN), unknown));
}

TEST(SdlMessages, AltItsCombinationsAndF10AreSystemKeys) {
    EXPECT_EQ(translated(keyEvent(SDL_KEYDOWN, SDLK_LALT, KMOD_LALT)).message, wm::sysKeyDown);
    Message altEnter = translated(keyEvent(SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT));
    EXPECT_EQ(altEnter.message, wm::sysKeyDown);
    EXPECT_EQ(altEnter.wParam, static_cast<uintptr_t>(vk::returnKey));
    // Auto-repeat of Alt+Enter still arrives as system key-downs.
    EXPECT_EQ(translated(keyEvent(SDL_KEYDOWN, SDLK_RETURN, KMOD_RALT, 1)).message, wm::sysKeyDown);
    // K released while Alt is held, and Alt's own release.
    EXPECT_EQ(translated(keyEvent(SDL_KEYUP, SDLK_k, KMOD_LALT)).message, wm::sysKeyUp);
    EXPECT_EQ(translated(keyEvent(SDL_KEYUP, SDLK_LALT)).message, wm::sysKeyUp);
    EXPECT_EQ(translated(keyEvent(SDL_KEYDOWN, SDLK_F10)).message, wm::sysKeyDown);
    // Ctrl is not Alt.
    EXPECT_EQ(translated(keyEvent(SDL_KEYDOWN, SDLK_k, KMOD_LCTRL)).message, wm::keyDown);
}

TEST(SdlMessages, MouseEventsPackClientCoordinates) {
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.x = 400;
    motion.motion.y = 300;
    Message move = translated(motion);
    EXPECT_EQ(move.message, wm::mouseMove);
    EXPECT_EQ(lowWord(move.lParam), 400u);
    EXPECT_EQ(highWord(move.lParam), 300u);
    // Dragged past the left and top edges: the nearest client point, not
    // a negative number read as 65 000 and more.
    motion.motion.x = -40;
    motion.motion.y = -3;
    EXPECT_EQ(translated(motion).lParam, packLParam(0, 0));

    SDL_Event button{};
    button.type = SDL_MOUSEBUTTONDOWN;
    button.button.button = SDL_BUTTON_RIGHT;
    button.button.x = 5;
    button.button.y = 7;
    Message press = translated(button);
    EXPECT_EQ(press.message, wm::rightButtonDown);
    EXPECT_EQ(press.lParam, packLParam(5, 7));
    button.type = SDL_MOUSEBUTTONUP;
    button.button.button = SDL_BUTTON_LEFT;
    EXPECT_EQ(translated(button).message, wm::leftButtonUp);
    button.button.button = SDL_BUTTON_MIDDLE;
    EXPECT_EQ(translated(button).message, wm::middleButtonUp);
    button.button.button = SDL_BUTTON_X1;
    Message none;
    EXPECT_FALSE(translateEvent(button, none));

    // The wheel: away from the user is positive whichever way the system
    // flips it, 120 a notch, at the cursor's client point.
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = 2;
    wheel.wheel.mouseX = 30;
    wheel.wheel.mouseY = 40;
    Message turn = translated(wheel);
    EXPECT_EQ(turn.message, wm::mouseWheel);
    EXPECT_EQ(wheelTurn(turn.wParam), 240);
    EXPECT_EQ(turn.lParam, packLParam(30, 40));
    wheel.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
    EXPECT_EQ(wheelTurn(translated(wheel).wParam), -240);
    wheel.wheel.y = 0;  // a sideways turn
    EXPECT_FALSE(translateEvent(wheel, none));
}

TEST(SdlMessages, WindowEventsBecomeSizeActivateAndClose) {
    SDL_Event window{};
    window.type = SDL_WINDOWEVENT;
    window.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
    window.window.data1 = 1024;
    window.window.data2 = 768;
    Message size = translated(window);
    EXPECT_EQ(size.message, wm::size);
    EXPECT_EQ(size.lParam, packLParam(1024, 768));
    window.window.event = SDL_WINDOWEVENT_CLOSE;
    EXPECT_EQ(translated(window).message, wm::close);
    window.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
    EXPECT_EQ(translated(window).message, wm::activate);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    EXPECT_EQ(translated(quit).message, wm::close);
}

char* sdlString(const char* text) {
    auto* copy = static_cast<char*>(SDL_malloc(std::strlen(text) + 1));
    std::strcpy(copy, text);
    return copy;
}

void pushDrop(Uint32 type, const char* file = nullptr) {
    SDL_Event event{};
    event.type = type;
    event.drop.file = file ? sdlString(file) : nullptr;
    SDL_PushEvent(&event);
}

TEST(SdlWindowSystemQueue, DropsArriveAsOneMessageAndTheQuitComesLast) {
    SdlWindowSystem platform;
    ASSERT_TRUE(platform.started());
    Message message;
    while (platform.nextMessage(message)) {
    }
    platform.postQuitMessage(0);
    pushDrop(SDL_DROPBEGIN);
    pushDrop(SDL_DROPFILE, "/a/one.ini");
    pushDrop(SDL_DROPFILE, "/a/two.ini");
    pushDrop(SDL_DROPCOMPLETE);
    SDL_Event key = keyEvent(SDL_KEYDOWN, SDLK_j);
    SDL_PushEvent(&key);

    ASSERT_TRUE(platform.nextMessage(message));
    EXPECT_EQ(message.message, wm::dropFiles);
    EXPECT_EQ(message.files, (std::vector<std::string>{"/a/one.ini", "/a/two.ini"}));

    ASSERT_TRUE(platform.nextMessage(message));
    EXPECT_EQ(message.message, wm::keyDown);
    ASSERT_TRUE(platform.nextMessage(message));
    EXPECT_EQ(message.message, wm::quit);
    EXPECT_FALSE(platform.nextMessage(message));
}

}  // namespace

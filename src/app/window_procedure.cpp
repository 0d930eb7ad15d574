#include "app/window_procedure.h"

#include "app/input_state.h"
#include "files/settings.h"
#include "render/window.h"

namespace {

void setKey(uintptr_t virtualKey, uint8_t held) { keys[virtualKey & 0xFF] = held; }

intptr_t onSystemCommand(Platform& platform, const Message& message) {
    // Neither the screen saver nor monitor power-saving may start while the
    // program runs.
    if (message.wParam == sc::screenSave || message.wParam == sc::monitorPower) return 0;
    return platform.defaultWindowProcedure(message);
}

intptr_t onSystemKeyDown(const Message& message) {
    if (message.wParam == static_cast<uintptr_t>(vk::returnKey)) {
        // Alt+Enter: the switch between windowed and full-screen display is
        // wired in with the display-mode toggle; until then it does nothing.
    }
    // Other system keys (Alt+F4, Alt+Space, F10) do nothing, and none of
    // them enters the key table.
    return 0;
}

}  // namespace

Point mouseWorldPosition(intptr_t lParam) {
    return Point{static_cast<float>(lowWord(lParam)) - viewWidth * 0.5f,
                 viewHeight * 0.5f - static_cast<float>(highWord(lParam))};
}

intptr_t windowProcedure(Platform& platform, const Message& message) {
    switch (message.message) {
        case wm::mouseMove:
            mousePos = mouseWorldPosition(message.lParam);
            return 0;
        case wm::leftButtonDown:
        case wm::rightButtonDown:
        case wm::leftButtonUp:
        case wm::rightButtonUp:
            // The grab-and-drag fan-out over all bodies is wired in with the
            // mouse module; the handlers read mousePos and keys, not the message.
            return 0;
        case wm::activate:
            return 0;
        case wm::sysCommand:
            return onSystemCommand(platform, message);
        case wm::sysKeyDown:
            return onSystemKeyDown(message);
        case wm::close:
            platform.postQuitMessage(0);
            return 0;
        case wm::keyDown:
            setKey(message.wParam, 1);
            return 0;
        case wm::keyUp:
            setKey(message.wParam, 0);
            return 0;
        case wm::size:
            resizeView(platform, static_cast<int>(lowWord(message.lParam)),
                       static_cast<int>(highWord(message.lParam)));
            return 0;
        case wm::dropFiles:
            // Dropped world files are read by the drop handler, wired in
            // later; until then the drop is only released.
            platform.finishDrop(message.wParam);
            return 0;
        default:
            return platform.defaultWindowProcedure(message);
    }
}

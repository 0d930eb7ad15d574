#include "app/window_procedure.h"

#include <algorithm>
#include <cmath>

#include "app/dropped_files.h"
#include "app/input_state.h"
#include "app/time_actions.h"
#include "app/view_keys.h"
#include "files/settings.h"
#include "mouse/cursor.h"
#include "mouse/grab.h"
#include "render/window.h"

namespace {

void setKey(uintptr_t virtualKey, uint8_t held) { keys[virtualKey & 0xFF] = held; }

// Alt+Enter: a new window in the other display mode, with the font and
// every texture rebuilt in its context. Worlds, bodies and springs are not
// touched.
void toggleDisplayMode(Shell& shell) {
    closeWindow(shell.windowSystem);
    fullscreen = !fullscreen;
    viewWidth = fullscreen ? fullscreenWidth : windowedWidth;
    viewHeight = fullscreen ? fullscreenHeight : windowedHeight;
    // A failure has been reported by openWindow ("Program Will Now Close."
    // after a No); without a window nobody could see or close the program,
    // so it ends, as at any close (the run's exit status says it failed).
    if (openWindow(shell.windowSystem, shell.renderer, windowTitle, pixelsFromSetting(viewWidth),
                   pixelsFromSetting(viewHeight), displayColourBits, fullscreen) != WindowOpening::opened) {
        shell.windowSystem.postQuitMessage(1);
        return;
    }
    shell.renderer.buildFont();
    shell.renderer.reloadTextures();
}

intptr_t onSystemCommand(Shell& shell, const Message& message) {
    // Neither the screen saver nor monitor power-saving may start while the
    // program runs.
    if (message.wParam == sc::screenSave || message.wParam == sc::monitorPower) return 0;
    return shell.windowSystem.defaultWindowProcedure(message);
}

// Every repeat of Alt+Enter toggles again. Other system keys (Alt+F4,
// Alt+Space, F10) do nothing, and none of them enters the key table.
intptr_t onSystemKeyDown(Shell& shell, const Message& message) {
    if (message.wParam == static_cast<uintptr_t>(vk::returnKey)) toggleDisplayMode(shell);
    return 0;
}

// A key released while Alt is held arrives as a system key. Its entry is
// cleared all the same: left set, a K pressed before Alt would go on
// growing the time scale after a plain release.
intptr_t onSystemKeyUp(Shell& shell, const Message& message) {
    setKey(message.wParam, 0);
    return shell.windowSystem.defaultWindowProcedure(message);
}

}  // namespace

// A view size as the cursor mapping may take it: a settings file can hold
// sizes no window has (3e38), which would carry the cursor, and every
// spring it pulls, out of the float range.
static float viewExtent(float size) {
    return std::isnan(size) ? 0.0f : std::clamp(size, -largestViewSize, largestViewSize);
}

Point mouseWorldPosition(intptr_t lParam) {
    return Point{static_cast<float>(lowWord(lParam)) - viewExtent(viewWidth) * 0.5f,
                 viewExtent(viewHeight) * 0.5f - static_cast<float>(highWord(lParam))};
}

intptr_t windowProcedure(Shell& shell, const Message& message) {
    switch (message.message) {
        case wm::mouseMove:
            onViewMouseMove(shell.viewControl, message);
            return 0;
        case wm::mouseWheel:
            onMouseWheel(shell.viewControl, message);
            return 0;
        case wm::middleButtonDown:
            onMiddleButtonDown(shell.viewControl, message);
            return 0;
        case wm::middleButtonUp:
            onMiddleButtonUp(shell.viewControl);
            return 0;
        // The handlers read mousePos and the Ctrl key, not the message.
        case wm::leftButtonDown:
            onLeftDown();
            return 0;
        case wm::rightButtonDown:
            onRightDown();
            return 0;
        case wm::leftButtonUp:
            onLeftUp(keyHeld(vk::control));
            return 0;
        case wm::rightButtonUp:
            onRightUp();
            return 0;
        case wm::activate:
            return 0;
        case wm::sysCommand:
            return onSystemCommand(shell, message);
        case wm::sysKeyDown:
            return onSystemKeyDown(shell, message);
        case wm::sysKeyUp:
            return onSystemKeyUp(shell, message);
        case wm::close:
            shell.windowSystem.postQuitMessage(0);
            return 0;
        case wm::keyDown:
            onTimeKeyDown(shell.time, static_cast<int>(message.wParam & 0xFF),
                          keyHeld(static_cast<int>(message.wParam)));
            // A held key repeats: only its first press toggles.
            if (message.wParam == static_cast<uintptr_t>(videoKey) && !keyHeld(videoKey) && shell.recording)
                shell.recording->toggle(shell.overlay);
            setKey(message.wParam, 1);
            onViewKeyDown(shell, message);
            return 0;
        case wm::keyUp:
            setKey(message.wParam, 0);
            return 0;
        case wm::size:
            resizeView(shell.renderer, static_cast<int>(lowWord(message.lParam)),
                       static_cast<int>(highWord(message.lParam)));
            return 0;
        case wm::dropFiles:
            onDropFiles(loadDroppedStates(shell.time, message.files));
            return 0;
        default:
            return shell.windowSystem.defaultWindowProcedure(message);
    }
}

#include "app/view_keys.h"

namespace {

// Key-message lParam bit 30: the key was already down (an auto-repeat).
constexpr uint32_t keyPreviouslyDown = 1u << 30;

}  // namespace

void onViewKeyDown(Shell& shell, const Message& message) {
    if ((static_cast<uint32_t>(message.lParam) & keyPreviouslyDown) != 0) return;
    switch (static_cast<int>(message.wParam & 0xFF)) {
        case vk::home:
            resetView(shell.viewControl);
            break;
        case vk::h:
            nextHelpPage(shell.onScreen);
            break;
        case vk::f11:
            shell.onScreen.statisticsShown = !shell.onScreen.statisticsShown;
            break;
        case vk::f8:
            shell.onScreen.screenshotAsked = true;
            break;
        default:
            break;
    }
}

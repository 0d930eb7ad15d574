#include "app/sdl/offscreen_window_system.h"

#include "app/sdl/termination_signals.h"

bool OffscreenWindowSystem::nextMessage(Message& message) {
    if (terminationRequested() && !closeSent_) {
        closeSent_ = true;
        message = Message{wm::close, 0, 0, {}};
        return true;
    }
    return HeadlessWindowSystem::nextMessage(message);
}

bool OffscreenWindowSystem::interrupted() const { return terminationRequested(); }

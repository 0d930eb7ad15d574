#include "app/view_input.h"

#include "app/window_procedure.h"
#include "mouse/cursor.h"

namespace {

// The mouse-message wParam flag of the middle button.
constexpr uintptr_t mkMiddleButton = 0x0010;

Point screenOffset(intptr_t lParam) { return mouseWorldPosition(lParam); }

void seeCursor(ViewControl& control, intptr_t lParam) {
    control.cursorSeen = true;
    control.cursorPoint = lParam;
}

// After the view changed: the cursor is over another world point now.
// Before the first mouse message the cursor has no client point, and stays.
void followView(const ViewControl& control) {
    if (control.cursorSeen) moveCursor(cursorWorldPosition(control.view, control.cursorPoint));
}

}  // namespace

Point cursorWorldPosition(const View& view, intptr_t lParam) { return viewToWorld(view, screenOffset(lParam)); }

void onViewMouseMove(ViewControl& control, const Message& message) {
    seeCursor(control, message.lParam);
    if (control.panning && (message.wParam & mkMiddleButton) == 0) control.panning = false;
    if (control.panning) control.view = pannedView(control.view, control.panAnchor, screenOffset(message.lParam));
    moveCursor(cursorWorldPosition(control.view, message.lParam));
}

void onMouseWheel(ViewControl& control, const Message& message) {
    seeCursor(control, message.lParam);
    int turn = control.wheelRest + wheelTurn(message.wParam);
    int notches = turn / wheelNotch;
    control.wheelRest = turn % wheelNotch;
    if (notches == 0) return;
    control.view = zoomedView(control.view, screenOffset(message.lParam), notches);
    // A pan goes on holding the same world point at the new zoom.
    if (control.panning) control.panAnchor = cursorWorldPosition(control.view, message.lParam);
    followView(control);
}

void onMiddleButtonDown(ViewControl& control, const Message& message) {
    seeCursor(control, message.lParam);
    control.panning = true;
    control.panAnchor = cursorWorldPosition(control.view, message.lParam);
}

void onMiddleButtonUp(ViewControl& control) { control.panning = false; }

void resetView(ViewControl& control) {
    control.panning = false;
    control.wheelRest = 0;
    // Already there: nothing moves, not even the cursor.
    if (isDefaultView(control.view)) return;
    control.view = View{};
    followView(control);
}

// The view under the mouse and the keyboard: the wheel zooms about the
// cursor, a drag with the middle button pans, Home goes back to the
// default view. Every change of the view moves the world cursor with it, so
// picking, grabs, pins, the springs' cursor end and drops follow what the
// window shows. All of it comes from messages, so a record replays it.
#pragma once

#include <cstdint>

#include "app/messages.h"
#include "render/view.h"
#include "sim/records.h"

// The view and the gesture that changes it.
struct ViewControl {
    View view;
    bool panning = false;      // the middle button holds the view
    Point panAnchor{};         // the world point held under the cursor while panning
    bool cursorSeen = false;   // a mouse message has said where the cursor is
    intptr_t cursorPoint = 0;  // its client point, as the message packed it
    int wheelRest = 0;         // the part of a notch a fine wheel has turned
};

// The cursor in world coordinates for a client point: the view's map of
// the default mapping, which it returns unchanged in the default view.
Point cursorWorldPosition(const View& view, intptr_t lParam);

// A mouse move: pans while the middle button holds the view (a move with
// the button up ends a pan whose release was missed), then moves the cursor.
void onViewMouseMove(ViewControl& control, const Message& message);

// WM_MOUSEWHEEL: whole notches zoom about the message's point; parts of a
// notch add up until they make one.
void onMouseWheel(ViewControl& control, const Message& message);

void onMiddleButtonDown(ViewControl& control, const Message& message);
void onMiddleButtonUp(ViewControl& control);

// Home: the default view; the cursor moves to what it now shows.
void resetView(ViewControl& control);

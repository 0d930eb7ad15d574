// Grab and drag: the mouse moves bodies only through springs. A left press
// joins every body under the cursor to the current world's cursor end, a
// left release (without Ctrl) lets everything go, a right press pins what
// the cursor holds to the body under it, or cuts that body loose.
#pragma once

#include "sim/records.h"

// The stiffness of every spring a left press makes.
constexpr float grabStiffness = 10.0f;

// A new spring, appended to the springs of endA and then of endB. The caller
// puts it into a world's springs, which owns it from then on.
Spring* makeSpring(float stiffness, SpringEnd* endA, SpringEnd* endB);

// A new grab end on `body` at the cursor, owning its point, appended to the
// body's grabs.
SpringEnd* makeGrabEnd(Body& body);

// The fan-out of each button message over every body of every world, in
// index order; it never stops early, so one press acts on every body under
// the cursor. The handlers read mousePos and keys, not the message.
void onLeftDown();
void onLeftUp();
void onRightDown();
void onRightUp();

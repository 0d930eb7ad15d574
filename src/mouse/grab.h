// Grab and drag: the mouse moves bodies only through springs. A left press
// joins every body under the cursor to the current world's cursor end, a
// left release (without Ctrl) lets everything go, a right press pins what
// the cursor holds to the body under it, or cuts that body loose.
//
// Springs live in a world's `springs`, grab ends in a body's `grabs`; both
// are made and removed only here.
#pragma once

#include <vector>

#include "sim/records.h"

// The stiffness of every spring a left press makes.
constexpr float grabStiffness = 10.0f;

// A new spring at the end of world.springs, appended to the springs of endA
// and then of endB.
Spring& makeSpring(World& world, float stiffness, SpringEnd* endA, SpringEnd* endB);

// A new grab end at the end of body.grabs, at the cursor.
SpringEnd* makeGrabEnd(Body& body);

// Takes the spring out of the world it lives in (this one, else any other)
// and off both its ends; a grab end left without springs goes with it.
void removeSpring(World& world, Spring* spring);

// removeSpring for each of `springs` (each listed once), in time linear in
// their number and in the lengths of the lists they are taken from.
void removeSprings(World& world, const std::vector<Spring*>& springs);

// The fan-out of each button message over every body of every world, in
// index order; it never stops early, so one press acts on every body under
// the cursor. The handlers read mousePos; a left release with Ctrl held
// keeps what the cursor holds.
void onLeftDown();
void onLeftUp(bool ctrlHeld);
void onRightDown();
void onRightUp();

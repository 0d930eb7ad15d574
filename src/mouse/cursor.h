// The cursor in world coordinates: y up, origin at the view centre, one unit
// a pixel; (0, 0) until the first mouse movement. The window procedure moves
// it; the button handlers and dropped files read it.
#pragma once

#include "sim/records.h"

extern Point mousePos;

// Sets mousePos and carries every world's cursor end along, so the springs
// the mouse holds pull towards the cursor.
void moveCursor(Point position);

void resetCursor();

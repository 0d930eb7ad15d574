#include "mouse/cursor.h"

#include "sim/globals.h"

Point mousePos{};

void moveCursor(Point position) {
    mousePos = position;
    for (auto& world : worlds) world->cursorEnd.point = position;
}

void resetCursor() { mousePos = Point{}; }

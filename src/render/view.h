// The part of the world the window shows: which world point lies at the
// centre of the view and how many pixels one world unit takes. The default
// view is the program's fixed one (origin at the centre, one unit a
// pixel); the wheel zooms, the middle button pans, Home goes back. The view
// is the window's, not the simulation's: nothing in a step reads it.
#pragma once

#include "sim/records.h"

// Zoom steps: a wheel notch is a factor of 1.25. The levels reach just past
// the limits, which hold the zoom to 1/16 and 64 pixels a unit.
constexpr int minZoomLevel = -13;  // 1.25^-13 = 0.055, held to 1/16
constexpr int maxZoomLevel = 19;   // 1.25^19 = 69.4, held to 64
constexpr float minZoom = 1.0f / 16.0f;
constexpr float maxZoom = 64.0f;

struct View {
    Point centre{};     // world point at the centre of the view
    int zoomLevel = 0;  // notches of 1.25 from one unit a pixel
};

bool isDefaultView(const View& view);

// Pixels per world unit: 1.25 to the power of the level, held to the limits.
// The same bits on every machine (no pow).
float viewZoom(const View& view);

// The world point shown at `offset`, pixels from the view's centre with y
// up. The default view returns `offset` itself, bit for bit.
Point viewToWorld(const View& view, Point offset);

// The offset from the view's centre, in pixels with y up, at which the
// view shows world point `world`.
Point worldToView(const View& view, Point world);

// The view zoomed by `notches` (positive: closer) about the point shown at
// `offset`, which stays where it is on screen.
View zoomedView(const View& view, Point offset, int notches);

// The view moved so that world point `anchor` lies at `offset`.
View pannedView(const View& view, Point anchor, Point offset);

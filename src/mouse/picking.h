// Picking: whether a world point lies on a body, tested against the
// triangles of each shape's current outline.
#pragma once

#include "sim/records.h"

// A circle around the swept centre rejects far points before any triangle
// is looked at; the corners resolve against the current contour set.
bool containsPoint(const Shape& shape, Point point);

// Whether any shape of the body holds the point; each shape tested is made
// the current contour set, and the last stays so.
bool containsPoint(const Body& body, Point point);

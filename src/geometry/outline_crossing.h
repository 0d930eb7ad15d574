// Whether an outline certainly crosses itself, found in O(n log n) before
// the tessellator is asked. Without a combine callback the GLU tessellator
// cannot add a vertex where two edges cross, so such an outline gives no
// triangles; but its sweep first works through every crossing, which costs
// quadratic time or worse on a large random outline.
#pragma once

#include <vector>

#include "sim/records.h"

// The contours of one tessellator polygon (closed, one region under the odd
// rule). True only for a crossing the tessellator must refuse: two edges
// whose interiors cross (decided exactly), well clear of every vertex and of
// each other's ends, so no rounding of the tessellator's can snap the
// crossing onto a vertex it already has. Crossings at or beside a vertex,
// touching and overlapping edges count as no crossing; the tessellator
// handles those without a new vertex. But an outline with many edges that
// run along others (one traced over and over) counts as crossing itself:
// the tessellator would take minutes to merge them; and on an outline of
// more than 1 024 edges any crossing counts, near a vertex or not.
bool outlineCertainlyCrossesItself(const std::vector<const Contour*>& polygon);

// Whether the tessellator would take too long over the outline: many of its
// edges lie side by side across the sweep (a star of tens of thousands of
// spikes), which costs it time that grows with their square.
bool outlineTooIntricateToFill(const std::vector<const Contour*>& polygon);

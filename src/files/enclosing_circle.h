// The smallest circle that holds a set of points, in double precision: a
// shape's bounding circle for the broad contact test and for picking.
#pragma once

#include <vector>

#include "sim/records.h"

struct EnclosingCircle {
    double x = 0.0, y = 0.0;
    double radius = 0.0;
};

// Exact up to rounding (Welzl's method, iterative, on a fixed shuffle of
// the points so that any input order takes expected linear time). No points
// give the zero circle at the origin, one point a circle of radius 0.
EnclosingCircle smallestEnclosingCircle(const std::vector<Point>& points);

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
// the points, which takes expected linear time on any order but the few a
// file could list to defeat the shuffle). Welzl's method has a budget of
// tests in proportion to the points; an order that exhausts it goes to
// enclosingCircleByFarthestPoints instead, so no order takes more than
// linear time. No points give the zero circle at the origin, one point a
// circle of radius 0.
EnclosingCircle smallestEnclosingCircle(const std::vector<Point>& points);

// The same circle by Elzinga and Hearn's method: its support grows to take
// in the farthest point, one pass over the points a round, in at most 256
// rounds; deterministic, whatever the order. Should the rounds run out the
// radius still reaches every point.
EnclosingCircle enclosingCircleByFarthestPoints(const std::vector<Point>& points);

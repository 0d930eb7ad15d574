// The shape block: contours, circles and ellipses, material, colour, and
// the sockets, plugs and textured polygons declared inside a shape, which
// wait here until the shape joins its body.
#pragma once

#include <istream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/records.h"

// The reading state of the one shape block open at a time.
struct ShapeStaging {
    Placement shapePlacement;        // starts as the body's placement
    float pendingDensity = 0.0f;     // "d"; 0 means none given
    size_t pointsRead = 0;           // by "v" and "o", against maxPointsPerShape
    std::vector<long> contourLines;  // where each contour after the first begins ("h")
    std::vector<Anchor> stagedSockets;
    std::vector<Anchor> stagedPlugs;
    std::vector<std::unique_ptr<TexturedPolygon>> stagedTexturedPolygons;
};

// Defaults, the block's keys, then the finishing steps: copies of the
// outline, the enclosing circle, the tessellation and the mass rule.
// Empty when the shape has no usable figures (no first contour, no area,
// no positive finite mass); what it staged stays staged for the body.
std::optional<Shape> constructShape(std::istream& input, const std::string& prefix, const Placement& bodyPlacement,
                                    ShapeStaging& staging);

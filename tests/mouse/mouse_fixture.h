// Bodies the mouse can pick: boxes tessellated by the real tessellator,
// standing still (swept centre on the centre), in worlds of their own.
#pragma once

#include <memory>

#include "geometry/tessellation.h"
#include "sim/globals.h"
#include "support/world_builder.h"

inline std::unique_ptr<Body> makePickableBox(float width, float height, float x, float y) {
    auto body = makeBox(width, height, x, y);
    for (Shape& shape : body->shapes) {
        prepareShape(shape);
        shape.sweptX = shape.centreX;
        shape.sweptY = shape.centreY;
    }
    return body;
}

// A one-body model of a pickable box in `world`; returns the body.
inline Body& addPickableBox(World& world, float width, float height, float x, float y) {
    Model& model = addModel(world, makePickableBox(width, height, x, y));
    return *model.bodies.front();
}

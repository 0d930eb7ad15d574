// Builds simulation records in code for tests: boxes, joints, models and
// worlds, fully placed as the reader would leave them.
#pragma once

#include <memory>

#include "sim/records.h"

// A w × h box of the given density centred on (x, y), counter-clockwise, with
// one plug at its centre (index 0) for hanging it from a mount or a parent.
std::unique_ptr<Body> makeBox(float width, float height, float x, float y, float density = 1.0f);

void makeBolted(Body& body);

// A model whose root is `root` (hung from the model's mount by plug 0).
Model& addModel(World& world, std::unique_ptr<Body> root);

// Hangs `child` from `parent`: a new socket at parentLocal on the parent, a new
// plug at childLocal on the child (used as its parentPlug). The child keeps its
// own position; returns it.
Body& attachChild(Model& model, Body& parent, Point parentLocal, std::unique_ptr<Body> child, Point childLocal);

// Recomputes the current outline, shape centres and anchor world positions
// from local data, x, y and angle (the state a freshly read body has).
void placeBody(Body& body);

// A new world appended to `worlds`.
World& addWorld();

// True when every coordinate and velocity of every body is finite.
bool worldIsFinite(const World& world);

// Stricter: every number a dump writes of the world's models and bodies is
// finite, the predicted and swept figures of the last pass and the anchors
// too. What the step makes of input the reader accepted must pass it.
bool everyNumberFinite(const World& world);

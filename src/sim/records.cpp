#include "sim/records.h"

#include "app/input_state.h"

Body::~Body() {
    // Grab ends belong to the body; their springs are the world's and are
    // removed before a body goes (or go with the world).
    for (SpringEnd* end : grabs) {
        delete end->point;
        delete end;
    }
}

World::World() : contactMemory(static_cast<size_t>(maxBodiesPerWorld) * maxBodiesPerWorld) {
    cursorEnd.point = &mousePos;
}

World::~World() {
    for (Spring* spring : springs) delete spring;
}

int World::bodyCount() const {
    int count = 0;
    for (const auto& model : models) count += static_cast<int>(model->bodies.size());
    return count;
}

#include "sim/records.h"

World::World() : contactMemory(static_cast<size_t>(maxBodiesPerWorld) * maxBodiesPerWorld) {}

int World::bodyCount() const {
    int count = 0;
    for (const auto& model : models) count += static_cast<int>(model->bodies.size());
    return count;
}

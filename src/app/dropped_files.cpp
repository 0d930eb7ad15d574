#include "app/dropped_files.h"

#include <algorithm>
#include <memory>

#include "files/reader.h"
#include "files/reader_primitives.h"
#include "mouse/cursor.h"
#include "sim/globals.h"

namespace {

World& firstWorld() {
    // Nothing to read into when the start-up file held no world; an empty
    // one takes the drop rather than a read through a missing world.
    if (worlds.empty()) worlds.push_back(std::make_unique<World>());
    return *worlds.front();
}

void readDroppedFile(const std::string& path) {
    World& world = firstWorld();
    // The file's coordinates are measured from the cursor while it is read.
    world.placement.tx = world.placement.tx + mousePos.x;
    world.placement.ty = world.placement.ty + mousePos.y;
    // The path is opened exactly as dropped; only the prefix for the files
    // it includes uses forward slashes. A file that cannot be opened adds
    // nothing, and the world is still the one read into.
    if (!readWorldPath(world, path, dropPrefix(path))) stepContext.currentWorld = &world;
    world.placement.tx = (0.0f - mousePos.x) + world.placement.tx;
    world.placement.ty = (0.0f - mousePos.y) + world.placement.ty;
}

}  // namespace

std::string dropPrefix(const std::string& path) {
    std::string slashed = path;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    return directoryOfPath(slashed);
}

void onDropFiles(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) readDroppedFile(path);
}

// The four mouse-button handlers, their fan-out, and the making and removal
// of springs and grab ends. Everything works on currentWorld, which the main
// loop leaves at the last world between frames: every mouse spring lives in
// that world's list and hangs on its cursor end, whatever world the pressed
// body belongs to.
#include "mouse/grab.h"

#include <algorithm>
#include <vector>

#include "app/input_state.h"
#include "sim/globals.h"

namespace {

template <typename List, typename Item>
bool holds(const List& list, const Item& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

// Takes `spring` off `end`; an end on a body that has no spring left is
// taken off its body and freed with its point. The cursor end never is.
void detach(SpringEnd* end, Spring* spring) {
    if (end == nullptr || !end->removeSpring(spring)) return;
    end->body->removeGrab(end);
    delete end->point;
    delete end;
}

// Lets go of one body: every spring with an end on it goes, and so does any
// end on another body that thereby loses its last spring.
void cutLoose(World& world, Body& body) {
    std::vector<SpringEnd*> ends(body.grabs.begin(), body.grabs.end());
    for (SpringEnd* end : ends) {
        // An earlier removal frees an end it emptied; skip it rather than
        // read it.
        if (!holds(body.grabs, end)) continue;
        std::vector<Spring*> springs(end->springs.begin(), end->springs.end());
        for (Spring* spring : springs) world.removeSpring(spring);
    }
}

// Re-makes every spring the cursor holds with a new end on `body` in the
// cursor's place, keeping the spring's stiffness and end order. A spring
// whose far end is on `body` itself is only removed: that releases it.
void pinHeldTo(World& world, Body& body) {
    SpringEnd* cursor = &world.cursorEnd;
    std::vector<Spring*> held(cursor->springs.begin(), cursor->springs.end());
    for (Spring* spring : held) {
        if (!holds(cursor->springs, spring)) continue;
        if (spring->endA == cursor) {
            if (spring->endB->body != &body)
                world.springs.push_back(makeSpring(spring->stiffness, makeGrabEnd(body), spring->endB));
        } else {
            if (spring->endA->body != &body)
                world.springs.push_back(makeSpring(spring->stiffness, spring->endA, makeGrabEnd(body)));
        }
        world.removeSpring(spring);
    }
}

}  // namespace

Spring* makeSpring(float stiffness, SpringEnd* endA, SpringEnd* endB) {
    auto* spring = new Spring{stiffness, endA, endB};
    endA->springs.push_back(spring);
    endB->springs.push_back(spring);
    return spring;
}

SpringEnd* makeGrabEnd(Body& body) {
    auto* end = new SpringEnd{&body, new Point{mousePos}, {}};
    body.grabs.push_back(end);
    return end;
}

bool SpringEnd::removeSpring(Spring* spring) {
    springs.remove(spring);
    return springs.empty() && body != nullptr;
}

void Body::removeGrab(SpringEnd* end) { grabs.remove(end); }

void World::removeSpring(Spring* spring) {
    size_t before = springs.size();
    springs.remove(spring);
    // Every spring is in exactly one world's list. Should the one it was
    // made in not be this world, it is taken out of that list too, so no
    // world keeps a freed spring.
    if (springs.size() == before)
        for (auto& world : worlds)
            if (world.get() != this) world->springs.remove(spring);
    SpringEnd* endA = spring->endA;
    SpringEnd* endB = spring->endB;
    detach(endA, spring);
    if (endB != endA) detach(endB, spring);
    delete spring;
}

void Body::onLeftDown() {
    if (currentWorld == nullptr || !containsPoint(mousePos)) return;
    currentWorld->springs.push_back(makeSpring(grabStiffness, makeGrabEnd(*this), &currentWorld->cursorEnd));
}

// The body itself is not consulted: the first call empties the cursor end
// and the later calls of the fan-out find nothing to remove.
void Body::onLeftUp() {
    if (keyHeld(vk::control) || currentWorld == nullptr) return;
    World& world = *currentWorld;
    std::vector<Spring*> held(world.cursorEnd.springs.begin(), world.cursorEnd.springs.end());
    for (Spring* spring : held)
        if (holds(world.cursorEnd.springs, spring)) world.removeSpring(spring);
}

void Body::onRightDown() {
    if (currentWorld == nullptr || !containsPoint(mousePos)) return;
    if (currentWorld->cursorEnd.springs.empty())
        cutLoose(*currentWorld, *this);
    else
        pinHeldTo(*currentWorld, *this);
}

void Body::onRightUp() {}

void Model::onLeftDown() {
    for (auto& body : bodies) body->onLeftDown();
}
void Model::onLeftUp() {
    for (auto& body : bodies) body->onLeftUp();
}
void Model::onRightDown() {
    for (auto& body : bodies) body->onRightDown();
}
void Model::onRightUp() {
    for (auto& body : bodies) body->onRightUp();
}

void World::onLeftDown() {
    for (auto& model : models) model->onLeftDown();
}
void World::onLeftUp() {
    for (auto& model : models) model->onLeftUp();
}
void World::onRightDown() {
    for (auto& model : models) model->onRightDown();
}
void World::onRightUp() {
    for (auto& model : models) model->onRightUp();
}

void onLeftDown() {
    for (auto& world : worlds) world->onLeftDown();
}
void onLeftUp() {
    for (auto& world : worlds) world->onLeftUp();
}
void onRightDown() {
    for (auto& world : worlds) world->onRightDown();
}
void onRightUp() {
    for (auto& world : worlds) world->onRightUp();
}

// The four mouse-button handlers, their fan-out, and the making and removal
// of springs and grab ends. Everything works on currentWorld, which the main
// loop leaves at the last world between frames: every mouse spring lives in
// that world's list and hangs on its cursor end, whatever world the pressed
// body belongs to.
#include "mouse/grab.h"

#include <algorithm>
#include <vector>

#include "mouse/cursor.h"
#include "mouse/picking.h"
#include "sim/globals.h"

namespace {

template <typename List, typename Item>
bool holds(const List& list, const Item& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

bool holdsGrab(const Body& body, const SpringEnd* end) {
    return std::any_of(body.grabs.begin(), body.grabs.end(), [&](const SpringEnd& grab) { return &grab == end; });
}

// Takes `spring` off `end`; an end on a body that has no spring left goes
// off its body. The cursor end never does.
void detach(SpringEnd* end, Spring* spring) {
    if (end == nullptr) return;
    end->springs.remove(spring);
    if (!end->springs.empty() || end->body == nullptr) return;
    end->body->grabs.remove_if([&](const SpringEnd& grab) { return &grab == end; });
}

// The world whose list holds the spring: `world`, else whichever does.
std::list<Spring>* springListOf(World& world, const Spring* spring) {
    auto isIt = [&](const Spring& s) { return &s == spring; };
    if (std::any_of(world.springs.begin(), world.springs.end(), isIt)) return &world.springs;
    for (auto& other : worlds)
        if (std::any_of(other->springs.begin(), other->springs.end(), isIt)) return &other->springs;
    return nullptr;
}

// Lets go of one body: every spring with an end on it goes, and so does any
// end on another body that thereby loses its last spring.
void cutLoose(World& world, Body& body) {
    std::vector<SpringEnd*> ends;
    for (SpringEnd& end : body.grabs) ends.push_back(&end);
    for (SpringEnd* end : ends) {
        // An earlier removal takes away an end it emptied; skip it rather
        // than read it.
        if (!holdsGrab(body, end)) continue;
        std::vector<Spring*> springs(end->springs.begin(), end->springs.end());
        for (Spring* spring : springs) removeSpring(world, spring);
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
            if (spring->endB->body != &body) makeSpring(world, spring->stiffness, makeGrabEnd(body), spring->endB);
        } else {
            if (spring->endA->body != &body) makeSpring(world, spring->stiffness, spring->endA, makeGrabEnd(body));
        }
        removeSpring(world, spring);
    }
}

void onLeftDown(Body& body) {
    if (stepContext.currentWorld == nullptr || !containsPoint(body, mousePos)) return;
    World& world = *stepContext.currentWorld;
    // A world read after the last move has not seen the cursor yet.
    world.cursorEnd.point = mousePos;
    makeSpring(world, grabStiffness, makeGrabEnd(body), &world.cursorEnd);
}

// The body itself is not consulted: the first call empties the cursor end
// and the later calls of the fan-out find nothing to remove.
void onLeftUp(Body&, bool ctrlHeld) {
    if (ctrlHeld || stepContext.currentWorld == nullptr) return;
    World& world = *stepContext.currentWorld;
    std::vector<Spring*> held(world.cursorEnd.springs.begin(), world.cursorEnd.springs.end());
    for (Spring* spring : held)
        if (holds(world.cursorEnd.springs, spring)) removeSpring(world, spring);
}

void onRightDown(Body& body) {
    if (stepContext.currentWorld == nullptr || !containsPoint(body, mousePos)) return;
    if (stepContext.currentWorld->cursorEnd.springs.empty())
        cutLoose(*stepContext.currentWorld, body);
    else
        pinHeldTo(*stepContext.currentWorld, body);
}

// Every body of every world, in index order.
template <typename Handler>
void fanOut(Handler handle) {
    for (auto& world : worlds)
        for (auto& model : world->models)
            for (auto& body : model->bodies) handle(*body);
}

}  // namespace

Spring& makeSpring(World& world, float stiffness, SpringEnd* endA, SpringEnd* endB) {
    Spring& spring = world.springs.emplace_back(Spring{stiffness, endA, endB});
    endA->springs.push_back(&spring);
    endB->springs.push_back(&spring);
    return spring;
}

SpringEnd* makeGrabEnd(Body& body) { return &body.grabs.emplace_back(SpringEnd{&body, mousePos, {}}); }

void removeSpring(World& world, Spring* spring) {
    // Every spring is in exactly one world's list; should the one it was
    // made in not be this world, it is found in the other.
    std::list<Spring>* list = springListOf(world, spring);
    SpringEnd* endA = spring->endA;
    SpringEnd* endB = spring->endB;
    detach(endA, spring);
    if (endB != endA) detach(endB, spring);
    if (list) list->remove_if([&](const Spring& s) { return &s == spring; });
}

void onLeftDown() {
    fanOut([](Body& body) { onLeftDown(body); });
}
void onLeftUp(bool ctrlHeld) {
    fanOut([&](Body& body) { onLeftUp(body, ctrlHeld); });
}
void onRightDown() {
    fanOut([](Body& body) { onRightDown(body); });
}
void onRightUp() {}

// The four mouse-button handlers, their fan-out, and the making and removal
// of springs and grab ends. Everything works on currentWorld, which the main
// loop leaves at the last world between frames: every mouse spring lives in
// that world's list and hangs on its cursor end, whatever world the pressed
// body belongs to.
#include "mouse/grab.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "mouse/cursor.h"
#include "mouse/picking.h"
#include "sim/globals.h"

namespace {

// Lets go of one body: every spring with an end on it goes, and so does any
// end on another body that thereby loses its last spring.
void cutLoose(World& world, Body& body) {
    std::vector<Spring*> springs;
    std::unordered_set<const Spring*> taken;
    for (SpringEnd& end : body.grabs)
        for (Spring* spring : end.springs)
            if (taken.insert(spring).second) springs.push_back(spring);
    removeSprings(world, springs);
}

// Re-makes every spring the cursor holds with a new end on `body` in the
// cursor's place, keeping the spring's stiffness and end order. A spring
// whose far end is on `body` itself is only removed: that releases it. The
// held springs go together once all are re-made, which leaves the lists as
// re-making and removing them one by one would.
void pinHeldTo(World& world, Body& body) {
    SpringEnd* cursor = &world.cursorEnd;
    std::vector<Spring*> held(cursor->springs.begin(), cursor->springs.end());
    for (Spring* spring : held) {
        if (spring->endA == cursor) {
            if (spring->endB->body != &body) makeSpring(world, spring->stiffness, makeGrabEnd(body), spring->endB);
        } else {
            if (spring->endA->body != &body) makeSpring(world, spring->stiffness, spring->endA, makeGrabEnd(body));
        }
    }
    removeSprings(world, held);
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
    removeSprings(world, std::vector<Spring*>(world.cursorEnd.springs.begin(), world.cursorEnd.springs.end()));
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

void removeSpring(World& world, Spring* spring) { removeSprings(world, {spring}); }

// One pass over each list concerned, whatever the number of springs: a
// release of ten thousand held springs must not freeze the window, and
// spring by spring, with a search of the cursor end's and the world's lists
// for each, it took seconds.
void removeSprings(World& world, const std::vector<Spring*>& springs) {
    if (springs.empty()) return;
    std::unordered_set<const Spring*> going(springs.begin(), springs.end());
    auto isGoing = [&](const Spring* spring) { return going.count(spring) != 0; };

    // Off both ends; an end on a body left without springs goes off its body.
    std::unordered_set<SpringEnd*> ends;
    std::unordered_set<const SpringEnd*> emptied;
    std::unordered_set<Body*> bodies;
    for (Spring* spring : springs) {
        for (SpringEnd* end : {spring->endA, spring->endB}) {
            if (end == nullptr || !ends.insert(end).second) continue;
            end->springs.remove_if(isGoing);
            if (!end->springs.empty() || end->body == nullptr) continue;
            bodies.insert(end->body);
            emptied.insert(end);
        }
    }
    for (Body* body : bodies) body->grabs.remove_if([&](const SpringEnd& grab) { return emptied.count(&grab) != 0; });

    // Out of the world they live in: this one, else any other.
    size_t left = going.size();
    auto takeOut = [&](std::list<Spring>& list) {
        size_t before = list.size();
        list.remove_if([&](const Spring& spring) { return going.count(&spring) != 0; });
        left -= before - list.size();
    };
    takeOut(world.springs);
    for (auto& other : worlds)
        if (left > 0 && other.get() != &world) takeOut(other->springs);
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

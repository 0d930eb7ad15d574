// Grab and drag through the fan-out: every row of the interaction table
// (grab, Ctrl-keep, release, pin, cut loose, overlapping bodies in both
// fan-out orders), where the springs live with several worlds, the pull
// of the step, and the ownership invariants after random presses (run
// under AddressSanitizer, leaks and dangling pointers show up there).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "mouse/cursor.h"
#include "mouse/grab.h"
#include "mouse_fixture.h"
#include "sim/step.h"
#include "support/reset.h"

namespace {

template <typename List, typename Item>
size_t countOf(const List& list, const Item& item) {
    return static_cast<size_t>(std::count(list.begin(), list.end(), item));
}

class Grab : public ::testing::Test {
protected:
    void SetUp() override {
        resetProcessState();
        world = &addWorld();
        // Boxes at rest: A at the origin, B to its right, C overlapping A.
        a = &addPickableBox(*world, 40, 40, 0, 0);
        b = &addPickableBox(*world, 40, 40, 100, 0);
        stepContext.currentWorld = world;
    }
    void TearDown() override { resetProcessState(); }

    void at(float x, float y) { moveCursor(Point{x, y}); }
    SpringEnd& cursor() { return stepContext.currentWorld->cursorEnd; }

    World* world = nullptr;
    Body* a = nullptr;
    Body* b = nullptr;
};

TEST_F(Grab, ALeftPressOnEmptySpaceChangesNothing) {
    at(50, 50);
    onLeftDown();
    EXPECT_TRUE(world->springs.empty());
    EXPECT_TRUE(cursor().springs.empty());
    EXPECT_TRUE(a->grabs.empty());
}

TEST_F(Grab, ALeftPressHangsTheBodyUnderTheCursorOnASpring) {
    at(5, -7);
    onLeftDown();
    ASSERT_EQ(a->grabs.size(), 1u);
    EXPECT_TRUE(b->grabs.empty());
    SpringEnd* end = &a->grabs.front();
    EXPECT_EQ(end->body, a);
    EXPECT_FLOAT_EQ(end->point.x, 5.0f);
    EXPECT_FLOAT_EQ(end->point.y, -7.0f);
    ASSERT_EQ(world->springs.size(), 1u);
    Spring* spring = &world->springs.front();
    EXPECT_FLOAT_EQ(spring->stiffness, 10.0f);
    EXPECT_EQ(spring->endA, end);
    EXPECT_EQ(spring->endB, &cursor());
    EXPECT_EQ(end->springs.front(), spring);
    EXPECT_EQ(cursor().springs.front(), spring);
    // The cursor end follows the cursor without being touched.
    at(30, 30);
    EXPECT_FLOAT_EQ(spring->endB->point.x, 30.0f);
    EXPECT_FLOAT_EQ(end->point.x, 5.0f);
}

TEST_F(Grab, OnePressGrabsEveryBodyUnderTheCursorAndAgainAddsASpring) {
    Body& c = addPickableBox(*world, 20, 20, 10, 0);
    at(12, 0);
    onLeftDown();
    EXPECT_EQ(a->grabs.size(), 1u);
    EXPECT_EQ(c.grabs.size(), 1u);
    EXPECT_EQ(world->springs.size(), 2u);
    EXPECT_EQ(cursor().springs.size(), 2u);
    onLeftDown();
    EXPECT_EQ(a->grabs.size(), 2u);
    EXPECT_EQ(world->springs.size(), 4u);
}

TEST_F(Grab, ALeftReleaseLetsEverythingGoUnlessCtrlIsHeld) {
    at(0, 0);
    onLeftDown();
    at(100, 0);
    onLeftDown();
    onLeftUp(true);
    EXPECT_EQ(cursor().springs.size(), 2u);
    EXPECT_EQ(a->grabs.size(), 1u);
    // The next release without Ctrl, anywhere, lets both go.
    at(-300, 200);
    onLeftUp(false);
    EXPECT_TRUE(cursor().springs.empty());
    EXPECT_TRUE(world->springs.empty());
    EXPECT_TRUE(a->grabs.empty());
    EXPECT_TRUE(b->grabs.empty());
}

TEST_F(Grab, RightPressWhileHoldingPinsTheHeldBodyToTheOneUnderTheCursor) {
    at(3, 4);
    onLeftDown();
    SpringEnd* aEnd = &a->grabs.front();
    at(95, 2);
    onRightDown();
    EXPECT_TRUE(cursor().springs.empty());
    ASSERT_EQ(world->springs.size(), 1u);
    Spring* pin = &world->springs.front();
    EXPECT_FLOAT_EQ(pin->stiffness, 10.0f);
    EXPECT_EQ(pin->endA, aEnd);  // A's grab point stays where it was
    ASSERT_EQ(b->grabs.size(), 1u);
    EXPECT_EQ(pin->endB, &b->grabs.front());
    EXPECT_FLOAT_EQ(pin->endB->point.x, 95.0f);
    EXPECT_FLOAT_EQ(pin->endB->point.y, 2.0f);
    EXPECT_EQ(countOf(aEnd->springs, pin), 1u);
    // A release afterwards changes nothing: the cursor holds nothing.
    onLeftUp(false);
    onRightUp();
    EXPECT_EQ(world->springs.size(), 1u);
}

TEST_F(Grab, APinKeepsTheStiffnessAndEndOrderOfTheSpringItReplaces) {
    // A spring with the cursor end first, as no left press makes it.
    at(0, 0);
    SpringEnd* aEnd = makeGrabEnd(*a);
    makeSpring(*world, 3.5f, &cursor(), aEnd);
    at(100, 0);
    onRightDown();
    ASSERT_EQ(world->springs.size(), 1u);
    Spring* pin = &world->springs.front();
    EXPECT_FLOAT_EQ(pin->stiffness, 3.5f);
    EXPECT_EQ(pin->endA, &b->grabs.front());
    EXPECT_EQ(pin->endB, aEnd);
}

TEST_F(Grab, RightPressOnTheHeldBodyOnlyReleasesIt) {
    at(0, 0);
    onLeftDown();
    onRightDown();
    EXPECT_TRUE(world->springs.empty());
    EXPECT_TRUE(cursor().springs.empty());
    EXPECT_TRUE(a->grabs.empty());
}

TEST_F(Grab, RightPressWhileIdleCutsTheBodyLooseFromEverySpringAndFreesEmptiedEnds) {
    Body& c = addPickableBox(*world, 40, 40, 200, 0);
    // Pin A to B and C to B, then hold B as well.
    at(0, 0);
    onLeftDown();
    at(100, 0);
    onRightDown();
    at(200, 0);
    onLeftDown();
    at(110, 0);
    onRightDown();
    at(100, 10);
    onLeftDown();
    onLeftUp(false);
    ASSERT_EQ(world->springs.size(), 2u);
    ASSERT_EQ(b->grabs.size(), 2u);
    // Idle, a right press on B: both pins go, and A's and C's ends with them.
    at(90, 0);
    onRightDown();
    EXPECT_TRUE(world->springs.empty());
    EXPECT_TRUE(a->grabs.empty());
    EXPECT_TRUE(b->grabs.empty());
    EXPECT_TRUE(c.grabs.empty());
}

TEST_F(Grab, PressesOnEmptySpaceAndRightReleasesChangeNothingWhileHolding) {
    at(0, 0);
    onLeftDown();
    at(50, 300);
    onRightDown();
    onRightUp();
    EXPECT_EQ(cursor().springs.size(), 1u);
    EXPECT_EQ(a->grabs.size(), 1u);
}

// Where held A and another body overlap, nothing ends pinned whichever
// comes first in the fan-out.
TEST_F(Grab, OverlappingHeldAndOtherBodyNeverEndPinned) {
    for (bool heldFirst : {true, false}) {
        resetProcessState();
        World& w = addWorld();
        stepContext.currentWorld = &w;
        Body* first = &addPickableBox(w, 40, 40, 0, 0);
        Body* second = &addPickableBox(w, 40, 40, 30, 0);
        Body* held = heldFirst ? first : second;
        Body* other = heldFirst ? second : first;
        at(heldFirst ? -15.0f : 45.0f, 0);  // over the held body alone
        onLeftDown();
        ASSERT_EQ(held->grabs.size(), 1u);
        at(15, 0);  // over both
        onRightDown();
        EXPECT_TRUE(w.springs.empty()) << "held first: " << heldFirst;
        EXPECT_TRUE(w.cursorEnd.springs.empty());
        EXPECT_TRUE(held->grabs.empty());
        EXPECT_TRUE(other->grabs.empty());
    }
}

TEST_F(Grab, EverySpringLivesInTheCurrentWorldWhateverWorldTheBodyIsIn) {
    World& last = addWorld();
    Body& d = addPickableBox(last, 40, 40, 0, 300);
    stepContext.currentWorld = &last;
    at(0, 0);
    onLeftDown();
    at(0, 300);
    onLeftDown();
    EXPECT_TRUE(world->springs.empty());
    EXPECT_EQ(last.springs.size(), 2u);
    EXPECT_EQ(last.cursorEnd.springs.size(), 2u);
    EXPECT_EQ(a->grabs.size(), 1u);
    EXPECT_EQ(d.grabs.size(), 1u);
    onLeftUp(false);
    EXPECT_TRUE(last.springs.empty());
    EXPECT_TRUE(a->grabs.empty());
}

// Should the current world change between press and release, a spring made
// in one world can be removed through another: it still leaves the list
// that held it, so no world steps a freed spring.
TEST_F(Grab, RemovingASpringThroughAnotherWorldTakesItOutOfItsOwnList) {
    World& last = addWorld();
    stepContext.currentWorld = world;
    at(0, 0);
    onLeftDown();
    ASSERT_EQ(world->springs.size(), 1u);
    stepContext.currentWorld = &last;
    onRightDown();  // idle in the last world: cut A loose
    EXPECT_TRUE(world->springs.empty());
    EXPECT_TRUE(world->cursorEnd.springs.empty());
    EXPECT_TRUE(a->grabs.empty());
    stepAllWorlds();
}

TEST_F(Grab, TheStepPullsAGrabbedBodyTowardsTheCursor) {
    a->flags |= noGravityFlag;
    b->flags |= noGravityFlag;
    at(0, 0);
    onLeftDown();
    at(0, 150);
    for (int frame = 0; frame < 20; ++frame) stepAllWorlds();
    EXPECT_GT(a->y, 1.0f);
    EXPECT_LT(a->y, 300.0f);
    // The grab point moved with the body.
    EXPECT_NEAR(a->grabs.front().point.y, a->y, 0.01f);
    EXPECT_FLOAT_EQ(b->y, 0.0f);
}

// Every spring is in exactly one world's list and in its ends' lists; every
// grab end is on its body's list and has a spring; the cursor holds only
// springs a world owns.
void expectConsistent() {
    std::vector<Spring*> owned;
    for (auto& w : worlds)
        for (Spring& spring : w->springs) owned.push_back(&spring);
    for (Spring* spring : owned) {
        ASSERT_EQ(countOf(owned, spring), 1u);
        ASSERT_GE(countOf(spring->endA->springs, spring), 1u);
        ASSERT_GE(countOf(spring->endB->springs, spring), 1u);
    }
    for (auto& w : worlds) {
        for (Spring* spring : w->cursorEnd.springs) ASSERT_EQ(countOf(owned, spring), 1u);
        for (auto& model : w->models)
            for (auto& body : model->bodies)
                for (const SpringEnd& end : body->grabs) {
                    ASSERT_EQ(end.body, body.get());
                    ASSERT_FALSE(end.springs.empty());
                    for (Spring* spring : end.springs) ASSERT_EQ(countOf(owned, spring), 1u);
                }
    }
}

TEST_F(Grab, RandomPressesKeepOwnershipWhole) {
    World& last = addWorld();
    addPickableBox(last, 40, 40, 20, 10);
    addPickableBox(*world, 60, 30, 10, -10);
    std::mt19937 generator(12345);
    const Point spots[] = {{0, 0}, {15, 0}, {100, 0}, {25, 5}, {300, 300}, {10, -15}};
    size_t mostHeld = 0, pinsSeen = 0;
    for (int press = 0; press < 3000; ++press) {
        moveCursor(spots[generator() % 6]);
        bool ctrlHeld = generator() % 4 == 0;
        // Mostly the last world is current, as between frames; sometimes not.
        stepContext.currentWorld = generator() % 8 == 0 ? world : &last;
        switch (generator() % 4) {
            case 0:
                onLeftDown();
                break;
            case 1:
                onLeftUp(ctrlHeld);
                break;
            case 2:
                onRightDown();
                break;
            case 3:
                onRightUp();
                break;
        }
        expectConsistent();
        if (HasFatalFailure()) return;
        mostHeld = std::max(mostHeld, last.cursorEnd.springs.size());
        for (const Spring& spring : last.springs) pinsSeen += spring.endA->body && spring.endB->body;
        if (press % 200 == 0) stepAllWorlds();
    }
    // The sequence reached the interesting states.
    EXPECT_GE(mostHeld, 3u);
    EXPECT_GT(pinsSeen, 0u);
}

}  // namespace

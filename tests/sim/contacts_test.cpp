#include <gtest/gtest.h>

#include <cmath>

#include "sim/contact_kernel.h"
#include "sim/contact_pairs.h"
#include "sim/contact_response.h"
#include "sim/globals.h"
#include "sim/motion.h"
#include "support/reset.h"
#include "support/world_builder.h"

class Contacts : public ::testing::Test {
protected:
    void SetUp() override { step.currentWorld = &world; }
    // Reset before the world is made: the reset clears `worlds`.
    World& world = (resetProcessState(), addWorld());
    StepContext step;

    // A bolted 20 × 2 floor whose top is y = 0, and a 2 × 2 box above it.
    Body& addFloor() {
        Model& model = addModel(world, makeBox(20, 2, 0, -1));
        makeBolted(*model.bodies[0]);
        return *model.bodies[0];
    }
    Body& addBox(float x, float y) { return *addModel(world, makeBox(2, 2, x, y)).bodies[0]; }
    void predictAll() {
        for (auto& model : world.models) predictModel(*model, step);
    }

    // A contact straight under b's centre, normal up (out of the floor a).
    static ContactSum contactUnder(const Body& b, float bounce = 0.5f) {
        ContactSum sum;
        sum.count = 1;
        sum.sumWeight = bounce;
        sum.sumX = b.x * bounce;
        sum.sumY = (b.y - 1.0f) * bounce;
        sum.normalY = bounce;
        sum.sumKinetic = 0.09f;
        sum.sumStatic = 0.36f;
        return sum;
    }
};

TEST_F(Contacts, FallingVertexCrossesTheFloorEdge) {
    Body& floor = addFloor();
    Body& box = addBox(0, 1.01f);
    box.vy = -0.5f;
    predictAll();
    ContactSum sum = testShapes(floor.shapes[0], floor, box.shapes[0]);
    EXPECT_EQ(sum.count, 2);  // the two bottom corners
    EXPECT_NEAR(sum.sumY / sum.sumWeight, 0.0f, 1e-6);
    EXPECT_NEAR(sum.sumX / sum.sumWeight, 0.0f, 1e-6);
    EXPECT_GT(sum.normalY, 0.0f);
    EXPECT_NEAR(sum.sumWeight, 2 * 0.25f * 0.25f, 1e-7);
    EXPECT_NEAR(sum.sumStatic, 2 * 0.36f, 1e-6);
}

TEST_F(Contacts, StartingSlightlyInsideStillCountsButDeeperDoesNot) {
    Body& floor = addFloor();
    Body& shallow = addBox(-5, 0.985f);  // corners 0.015 below the floor's top
    Body& deep = addBox(5, 0.97f);       // 0.03 below
    shallow.vy = deep.vy = -0.1f;
    predictAll();
    EXPECT_GT(testShapes(floor.shapes[0], floor, shallow.shapes[0]).count, 0);
    EXPECT_EQ(testShapes(floor.shapes[0], floor, deep.shapes[0]).count, 0);
}

TEST_F(Contacts, MasksSharingNoBitNeverCollide) {
    Body& floor = addFloor();
    Body& box = addBox(0, 1.01f);
    box.vy = -0.5f;
    floor.shapes[0].collideMask = 0x1;
    box.shapes[0].collideMask = 0x18000;
    predictAll();
    EXPECT_EQ(testShapes(floor.shapes[0], floor, box.shapes[0]).count, 0);
    box.shapes[0].collideMask = 0x18001;
    EXPECT_GT(testShapes(floor.shapes[0], floor, box.shapes[0]).count, 0);
}

TEST_F(Contacts, BodiesThatDoNotMoveRelativelyNeverTouch) {
    Body& floor = addFloor();
    Body& other = *addModel(world, makeBox(2, 2, 0, 0.5f)).bodies[0];  // overlapping
    makeBolted(other);
    predictAll();
    EXPECT_EQ(testShapes(floor.shapes[0], floor, other.shapes[0]).count, 0);
    EXPECT_EQ(testShapes(other.shapes[0], other, floor.shapes[0]).count, 0);
}

TEST_F(Contacts, BoltedFloorReversesApproachScaledByRestitution) {
    Body& floor = addFloor();
    Body& box = addBox(0, 1);
    box.vy = -2.0f;
    box.vx = 0.0f;
    step.stepTime = 1.0f;
    respond(contactUnder(box, 0.5f), floor, box, step);
    EXPECT_FLOAT_EQ(box.vy, 1.0f);  // e = 0.5 / 1 contact
    EXPECT_EQ(floor.vy, 0.0f);
    EXPECT_EQ(floor.vx, 0.0f);
    EXPECT_EQ(box.omega, 0.0f);
}

TEST_F(Contacts, ResponseRemovesTheNormalPartOfTheAcceleration) {
    Body& floor = addFloor();
    Body& box = addBox(0, 1);
    box.ax = 0.3f;
    box.ay = -0.1f;
    box.alpha = 0.2f;
    respond(contactUnder(box), floor, box, step);
    EXPECT_FLOAT_EQ(box.ax, 0.3f);
    EXPECT_EQ(box.ay, 0.0f);
    EXPECT_EQ(box.alpha, 0.0f);
}

TEST_F(Contacts, ZeroNormalVelocityGivesNoImpulse) {
    Body& floor = addFloor();
    Body& box = addBox(0, 1);
    box.vx = 0.0f;
    box.vy = 0.0f;
    respond(contactUnder(box), floor, box, step);
    EXPECT_EQ(box.vx, 0.0f);
    EXPECT_EQ(box.vy, 0.0f);
}

TEST_F(Contacts, SeparatingPairIsPushedApartALittle) {
    Body& floor = addFloor();
    Body& box = addBox(0, 1);
    box.vy = 0.5f;
    respond(contactUnder(box, 0.5f), floor, box, step);
    // vn is replaced by -0.01: the box gains 0.01·(1 + e).
    EXPECT_FLOAT_EQ(box.vy, 0.5f + 0.015f);
}

TEST_F(Contacts, ThirdResponseOfAPairInOneStepIsElastic) {
    Body& floor = addFloor();
    Body& box = addBox(0, 1);
    floor.serial = 0;
    box.serial = 1;
    world.stepCount = 7;
    for (int response = 1; response <= 3; ++response) {
        box.vy = -2.0f;
        respond(contactUnder(box, 0.5f), floor, box, step);
        EXPECT_FLOAT_EQ(box.vy, response < 3 ? 1.0f : 2.0f) << "response " << response;
    }
    EXPECT_EQ(world.pairMemory(0, 1).hits, 3);
    EXPECT_EQ(world.pairMemory(0, 1).stamp, 7);

    // The next step starts counting again.
    world.stepCount = 8;
    box.vy = -2.0f;
    respond(contactUnder(box, 0.5f), floor, box, step);
    EXPECT_FLOAT_EQ(box.vy, 1.0f);
    EXPECT_EQ(world.pairMemory(0, 1).hits, 1);
}

TEST_F(Contacts, OrderedPairsHaveSeparateMemory) {
    Body& first = addBox(0, 0);
    Body& second = addBox(0, 2);
    first.serial = 0;
    second.serial = 1;
    ContactSum sum = contactUnder(second);
    respond(sum, first, second, step);
    respond(sum, first, second, step);
    respond(sum, second, first, step);
    EXPECT_EQ(world.pairMemory(0, 1).hits, 2);
    EXPECT_EQ(world.pairMemory(1, 0).hits, 1);
}

TEST_F(Contacts, SerialsBeyondTheTableDoNotIndexPastIt) {
    Body& floor = addFloor();
    Body& box = addBox(0, 1);
    floor.serial = 0;
    box.serial = 300;
    box.vy = -1.0f;
    respond(contactUnder(box), floor, box, step);
    EXPECT_GT(box.vy, 0.0f);
}

TEST_F(Contacts, FrictionSticksBelowTheStaticLimitAndSlidesAbove) {
    Body& floor = addFloor();
    Body& slow = addBox(0, 1);
    slow.vy = -2.0f;
    slow.vx = 0.01f;  // small slip: static friction stops it at the contact
    respond(contactUnder(slow, 0.5f), floor, slow, step);
    float contactSpeed = slow.vx + slow.omega * 1.0f;  // lever (0, -1) from the centre
    EXPECT_NEAR(contactSpeed, 0.0f, 1e-6);

    Body& fast = addBox(5, 1);
    fast.vy = -2.0f;
    fast.vx = 5.0f;  // large slip: kinetic friction only slows it
    ContactSum sum = contactUnder(fast, 0.5f);
    respond(sum, floor, fast, step);
    EXPECT_GT(fast.vx + fast.omega * 1.0f, 0.0f);
    EXPECT_LT(fast.vx, 5.0f);
}

TEST_F(Contacts, PairLoopGivesUpAfterFourAttempts) {
    Body& floor = addFloor();
    Body& box = addBox(0, 1.01f);
    box.vy = -0.5f;
    predictAll();
    collideBodies(floor, box, step);
    EXPECT_GT(box.vy, 0.0f);  // bounced
    EXPECT_EQ(step.settled, 0);
    EXPECT_LE(world.pairMemory(floor.serial, box.serial).hits, 4);
}

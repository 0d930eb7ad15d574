// World, model and body blocks: mass merge, re-centring, flags, joints,
// tree placement and the commit at load.
#include <cmath>

#include "reader_fixture.h"

using WorldBlocksTest = ReaderTest;

TEST_F(WorldBlocksTest, SquareBodyOfTheEightLineExample) {
    World& world = loadWorld("M {\nP {\ng { x= 0 0 }\np { v -1 -1 v 1 -1 v 1 1 v -1 1 }\n}\n}");
    Body& body = onlyBody(world);
    Model& model = *world.models[0];
    EXPECT_FLOAT_EQ(body.mass, 4.0f);
    EXPECT_FLOAT_EQ(body.inertia, 4.0f * (4.0f + 4.0f) / 12.0f);
    EXPECT_FLOAT_EQ(body.invMass, 0.25f);
    EXPECT_EQ(body.x, 0.0f);
    EXPECT_EQ(body.y, 0.0f);
    EXPECT_EQ(model.rootPlug, &body.plugs[0]);
    EXPECT_EQ(body.plugs[0].partner, &model.mount);
    EXPECT_EQ(body.plugs[0].owner, &body);
    EXPECT_EQ(body.model, &model);
    EXPECT_EQ(noteCount(), 0) << notes.str();
}

TEST_F(WorldBlocksTest, BodySitsAtTheModelTranslationWithLocalContoursAboutItsMassCentre) {
    World& world = loadWorld("M { x= 100 50 P { g { x= 11 1 } p { v 10 0 v 12 0 v 12 2 v 10 2 } } }");
    Body& body = onlyBody(world);
    EXPECT_EQ(body.x, 100.0f);
    EXPECT_EQ(body.y, 50.0f);
    const Shape& shape = body.shapes.at(0);
    // Placement coordinates (110..112, 50..52) less the mass centre (111, 51).
    EXPECT_FLOAT_EQ(shape.contours[0][0].x, -1.0f);
    EXPECT_FLOAT_EQ(shape.contours[0][0].y, -1.0f);
    EXPECT_NEAR(shape.centroidX, 0.0f, 1e-5f);
    EXPECT_NEAR(shape.localCentreX, 0.0f, 1e-5f);
    EXPECT_NEAR(body.plugs[0].localX, 0.0f, 1e-5f);
    // Current outline: local contour placed at (x, y); anchors and centres by the commit.
    EXPECT_FLOAT_EQ(shape.curContours[0][2].x, 101.0f);
    EXPECT_FLOAT_EQ(shape.curContours[0][2].y, 51.0f);
    EXPECT_NEAR(shape.centreX, 100.0f, 1e-4f);
    EXPECT_NEAR(body.plugs[0].worldX, 100.0f, 1e-4f);
}

TEST_F(WorldBlocksTest, TwoShapesMergeMassCentreAndMoment) {
    // Unit squares about (0, 0) and (2, 0): own moments 1/6 each.
    World& world = loadWorld(
        "M { P { g { x= 1 0 } p { v -0.5 -0.5 v 0.5 -0.5 v 0.5 0.5 v -0.5 0.5 } "
        "p { v 1.5 -0.5 v 2.5 -0.5 v 2.5 0.5 v 1.5 0.5 } } }");
    Body& body = onlyBody(world);
    EXPECT_FLOAT_EQ(body.mass, 2.0f);
    EXPECT_NEAR(body.inertia, 1.0f / 6 + 1.0f / 6 + 1.0f + 1.0f, 1e-5f);
    EXPECT_NEAR(body.shapes[0].centroidX, -1.0f, 1e-6f);
    EXPECT_NEAR(body.shapes[1].centroidX, 1.0f, 1e-6f);
    EXPECT_NEAR(body.plugs[0].localX, 0.0f, 1e-6f);
}

TEST_F(WorldBlocksTest, BoltedAndNoGravity) {
    World& world = loadWorld("M { " + squareBody(0, 0, "V 5 5 W 1 ! BOLTED") + " } M { " +
                             squareBody(0, 0, "! NOGRAVITY ! bolted") + " }");
    const Body& bolted = *world.models[0]->bodies[0];
    EXPECT_EQ(bolted.mass, -1.0f);
    EXPECT_EQ(bolted.inertia, -1.0f);
    EXPECT_EQ(bolted.invMass, 0.0f);
    EXPECT_EQ(bolted.invInertia, 0.0f);
    EXPECT_EQ(bolted.vx, 0.0f);
    EXPECT_EQ(bolted.omega, 0.0f);
    EXPECT_EQ(bolted.baseMass, 4.0f);
    EXPECT_EQ(bolted.flags, boltedFlag);
    EXPECT_EQ(bolted.x, 0.0f);  // the commit did not move it
    const Body& floating = *world.models[1]->bodies[0];
    EXPECT_EQ(floating.flags, noGravityFlag);  // keywords are case-sensitive
    EXPECT_EQ(floating.mass, 4.0f);
    EXPECT_TRUE(noted("keyword \"bolted\""));
}

TEST_F(WorldBlocksTest, InitialVelocityAdvancesOneStepAtLoad) {
    World& world = loadWorld("M { x= 10 0 " + squareBody(0, 0, "V 2 0") + " }");
    Body& body = onlyBody(world);
    EXPECT_FLOAT_EQ(body.x, 12.0f);
    EXPECT_FLOAT_EQ(body.vx, 2.0f);
    // The outline follows the committed position.
    EXPECT_FLOAT_EQ(body.shapes[0].curContours[0][0].x, 11.0f);
}

// A parent with three sockets at x = 10, 20, 30; «c s 1» hangs the first
// child at socket 1 and the next child at socket 2.
TEST_F(WorldBlocksTest, SelectionWithABlankHangsChildAtThatSocket) {
    World& world = loadWorld(
        "M { P { l parent g { x= 0 0 } s { x= 10 0 } s { x= 20 0 } s { x= 30 0 } "
        "p { v -1 -1 v 1 -1 v 1 1 v -1 1 }\n"
        "c s 1\n" +
        squareBody(0, 0, "l first") + "\n" + squareBody(0, 0, "l second") + " } }");
    Model& model = *world.models[0];
    ASSERT_EQ(model.bodies.size(), 3u);
    Body& parent = *model.bodies[0];
    Body& first = *model.bodies[1];
    Body& second = *model.bodies[2];
    EXPECT_EQ(parent.name, "parent");
    EXPECT_EQ(first.name, "first");
    EXPECT_EQ(second.name, "second");
    EXPECT_EQ(parent.sockets[0].partner, nullptr);
    EXPECT_EQ(parent.sockets[1].partner, &first.plugs[0]);
    EXPECT_EQ(parent.sockets[2].partner, &second.plugs[0]);
    EXPECT_EQ(first.plugs[0].partner, &parent.sockets[1]);
    // Tree placement: child plug lands on the parent's socket.
    EXPECT_FLOAT_EQ(first.x, 20.0f);
    EXPECT_FLOAT_EQ(second.x, 30.0f);
    EXPECT_EQ(first.model, &model);
}

TEST_F(WorldBlocksTest, SelectionByNameAndPlugChoice) {
    World& world = loadWorld(
        "M { P { g { x= 0 0 } s { x= 5 0 l left } s { x= -5 0 l right } p { v -1 -1 v 1 -1 v 1 1 v -1 1 } "
        "c s right c s nowhere\n"
        "P { g { x= 0 0 l top } g { x= 0 -3 l bottom } c g bottom p { v -1 -4 v 1 -4 v 1 -2 v -1 -2 } } } }");
    Model& model = *world.models[0];
    ASSERT_EQ(model.bodies.size(), 2u);
    Body& child = *model.bodies[1];
    EXPECT_EQ(child.parentPlug, 1u);
    EXPECT_EQ(model.bodies[0]->sockets[1].partner, &child.plugs[1]);
    // Plug (0, -3) in placement coordinates sits on socket (-5, 0):
    // the child's centre (0, -3) comes to (-5, 0).
    EXPECT_FLOAT_EQ(child.x, -5.0f);
    EXPECT_NEAR(child.y, 0.0f, 1e-5f);
    EXPECT_TRUE(noted("no socket named \"nowhere\""));
}

TEST_F(WorldBlocksTest, SocketsNumberInTheOrderTheyReachTheBody) {
    // A socket written in a shape block reaches the body when the shape is
    // added: after the body's socket read before the shape, before the one after.
    World& world = loadWorld("M { P { g { x= 0 0 } s { l a } p { s { l b } v 0 0 v 1 0 v 1 1 } s { l c } } }");
    Body& body = onlyBody(world);
    ASSERT_EQ(body.sockets.size(), 3u);
    EXPECT_EQ(body.sockets[0].name, "a");
    EXPECT_EQ(body.sockets[1].name, "b");
    EXPECT_EQ(body.sockets[2].name, "c");
    for (const Anchor& socket : body.sockets) EXPECT_EQ(socket.owner, &body);
}

TEST_F(WorldBlocksTest, LastTopLevelBodyIsTheRoot) {
    World& world = loadWorld("M { " + squareBody(0, 0, "l one") + " " + squareBody(0, 0, "l two") + " }");
    Body& body = onlyBody(world);
    EXPECT_EQ(body.name, "two");
    EXPECT_EQ(world.models[0]->rootPlug, &body.plugs[0]);
    EXPECT_TRUE(noted("left out 1 body of this model"));
}

TEST_F(WorldBlocksTest, WorldPlacementLastsForLaterModels) {
    World& world = loadWorld("x= 100 0 M { " + squareBody(0, 0) + " } M { x= 0 7 " + squareBody(0, 0) + " }");
    ASSERT_EQ(world.models.size(), 2u);
    EXPECT_FLOAT_EQ(world.models[0]->bodies[0]->x, 100.0f);
    EXPECT_FLOAT_EQ(world.models[1]->bodies[0]->x, 100.0f);
    EXPECT_FLOAT_EQ(world.models[1]->bodies[0]->y, 7.0f);
    EXPECT_FLOAT_EQ(world.placement.ty, 0.0f);  // model keys change the model's copy only
}

TEST_F(WorldBlocksTest, BodyPlacementComposesFromTheLeft) {
    // Unit square at the origin, pushed 10 right, then turned 90 degrees:
    // it lands on (0, 10)..(−1, 11).
    World& world = loadWorld("M { P { x= 10 0 a 90 g { x= 0 0 } p { v 0 0 v 1 0 v 1 1 v 0 1 } } }");
    Body& body = onlyBody(world);
    // The plug (placement origin) was at (0, 10); the mass centre at (-0.5, 10.5).
    EXPECT_NEAR(body.plugs[0].localX, 0.5f, 1e-5f);
    EXPECT_NEAR(body.plugs[0].localY, -0.5f, 1e-5f);
}

TEST_F(WorldBlocksTest, UnquotedNameWithBlankStopsTheFile) {
    World& world = loadWorld("M { P { g { x= 0 0 } p { v 0 0 v 1 0 v 1 1 } l lower arm } } l after");
    Body& body = onlyBody(world);
    EXPECT_EQ(body.name, "lower");
    EXPECT_TRUE(world.label.empty());
    World& quoted = loadWorld("M { P { g { x= 0 0 } p { v 0 0 v 1 0 v 1 1 } l 'lower arm' } } l after");
    EXPECT_EQ(onlyBody(quoted).name, "lower arm");
    EXPECT_EQ(quoted.label, "after");
}

// Bodies that start overlapping and share a mask bit are named, both of
// them with their places; touching, masks with no common bit, or two bolted
// bodies say nothing.
TEST_F(WorldBlocksTest, BodiesOverlappingAtTheStartAreNamedWithTheirPlaces) {
    load("W {\nM { l left " + squareBody(0, 0, "l a") + " }\nM { l right x= 1.5 0.5 " + squareBody(0, 0) +
         " }\nM { l apart x= 10 0 " + squareBody(0, 0) + " }\nM { l touching x= 12 0 " + squareBody(0, 0) +
         " }\nM { l masked P { g { } p { v 9.5 -1 v 11.5 -1 v 11.5 1 v 9.5 1 k 0x20 } } }\n}");
    EXPECT_EQ(notes.str(),
              "vantor: test.ini:3: body 0 of model \"right\" overlaps body \"a\" of model \"left\" (test.ini:2) "
              "where they start, and their masks share 0x18000: they are pushed apart on every solver pass; move "
              "them apart or give them masks with no common bit\n");

    // Within one model: a child whose limb overlaps its parent at the joint.
    notes.str("");
    load(
        "W { M { l arm\nP { g { } s { x= 1 0 } p { v -1 -1 v 1 -1 v 1 1 v -1 1 }\n"
        "P { l forearm g { x= 1 0 } p { v 0.5 -1 v 3 -1 v 3 1 v 0.5 1 } } } } }");
    EXPECT_TRUE(noted("test.ini:3: body \"forearm\" of model \"arm\" overlaps body 0 of model \"arm\" (test.ini:2)"))
        << notes.str();
    notes.str("");
    load("W { M { P { ! BOLTED " + squareBody(0, 0).substr(2) + " } M { P { ! BOLTED " + squareBody(0.5f, 0).substr(2) +
         " } }");
    EXPECT_EQ(noteCount(), 0) << notes.str();
}

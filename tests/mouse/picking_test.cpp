// Picking against triangles of the current outline: the strict sign rule
// on edges, the swept-centre rejection, discs and their holes, and the
// first shape that holds the point deciding for its body.
#include <gtest/gtest.h>

#include "mouse/picking.h"
#include "mouse_fixture.h"
#include "support/reset.h"

namespace {

// One shape whose current outline is a single triangle, its corners in the
// order given, with a bounding circle large enough to let every point through.
Shape triangleShape(Point a, Point b, Point c) {
    Shape shape;
    shape.curContours = {{a, b, c}};
    shape.triangles = {Triangle{{VertexRef{0, 0}, VertexRef{0, 1}, VertexRef{0, 2}}}};
    shape.radius = 1000.0f;
    return shape;
}

bool picks(const Shape& shape, Point point) { return containsPoint(shape, point); }

class Picking : public ::testing::Test {
protected:
    void SetUp() override { resetProcessState(); }
    void TearDown() override { resetProcessState(); }
};

TEST_F(Picking, EdgePointsCountOnlyForCounterClockwiseTriangles) {
    Shape counterClockwise = triangleShape({0, 0}, {10, 0}, {0, 10});
    Shape clockwise = triangleShape({0, 0}, {0, 10}, {10, 0});
    for (const Shape* shape : {&counterClockwise, &clockwise}) {
        EXPECT_TRUE(picks(*shape, {2, 2}));
        EXPECT_FALSE(picks(*shape, {-1, 2}));
        EXPECT_FALSE(picks(*shape, {6, 6}));
    }
    // On the bottom edge, on the hypotenuse, at a corner.
    for (Point edge : {Point{5, 0}, Point{5, 5}, Point{0, 0}}) {
        EXPECT_TRUE(picks(counterClockwise, edge)) << edge.x << "," << edge.y;
        EXPECT_FALSE(picks(clockwise, edge)) << edge.x << "," << edge.y;
    }
}

TEST_F(Picking, TheCommonEdgeOfTwoCounterClockwiseTrianglesIsPicked) {
    Shape square;
    square.curContours = {{{0, 0}, {10, 0}, {10, 10}, {0, 10}}};
    square.triangles = {Triangle{{VertexRef{0, 0}, VertexRef{0, 1}, VertexRef{0, 2}}},
                        Triangle{{VertexRef{0, 0}, VertexRef{0, 2}, VertexRef{0, 3}}}};
    square.radius = 1000.0f;
    EXPECT_TRUE(picks(square, {5, 5}));
    EXPECT_TRUE(picks(square, {3, 7}));
    EXPECT_FALSE(picks(square, {10.5f, 5}));
}

TEST_F(Picking, TheBoundingCircleIsAboutTheSweptCentre) {
    Shape shape = triangleShape({-100, -100}, {100, -100}, {0, 100});
    shape.radius = 5.0f;
    // Exactly on the circle (3-4-5) goes on to the triangles; beyond it not.
    EXPECT_TRUE(picks(shape, {3, 4}));
    EXPECT_FALSE(picks(shape, {3, 4.001f}));
    // A shape moving right: its swept centre trails its outline, so a point
    // well inside the outline near the leading side is rejected.
    shape.centreX = 0.0f;
    shape.sweptX = -4.0f;
    EXPECT_FALSE(picks(shape, {4, 0}));
    EXPECT_TRUE(picks(shape, {-8, 0}));
}

TEST_F(Picking, WithoutTrianglesNothingIsPickedEvenAtTheCentre) {
    Shape shape = triangleShape({0, 0}, {10, 0}, {0, 10});
    shape.triangles.clear();
    EXPECT_FALSE(picks(shape, {0, 0}));
    EXPECT_FALSE(picks(shape, {2, 2}));
}

TEST_F(Picking, ADiscIsPickedOnlyInsideItsHoles) {
    Shape disc;
    // A disc of radius 50 with a square hole, tessellated for real.
    disc.contours = {{{0, 0}}, {{-10, -10}, {-10, 10}, {10, 10}, {10, -10}}};
    disc.discRadii = {50.0f, 0.0f};
    prepareShape(disc);
    disc.curContours = disc.contours;
    disc.radius = 50.0f;
    Body body;
    body.shapes.push_back(disc);
    EXPECT_FALSE(containsPoint(body, {30, 0}));
    EXPECT_FALSE(containsPoint(body, {0, -40}));
    // Off the square's diagonals, whichever way the tessellator split it.
    EXPECT_TRUE(containsPoint(body, {3, -6}));
    EXPECT_TRUE(containsPoint(body, {-6, 2}));
}

TEST_F(Picking, EachShapeIsTestedAgainstItsOwnOutline) {
    Body body;
    body.shapes.push_back(triangleShape({0, 0}, {10, 0}, {0, 10}));
    body.shapes.push_back(triangleShape({0, 0}, {20, 0}, {0, 20}));
    EXPECT_TRUE(containsPoint(body, {2, 2}));
    EXPECT_TRUE(containsPoint(body, {12, 2}));
    // Whatever was tested before: the small triangle's outline is its own.
    EXPECT_FALSE(containsPoint(body.shapes[0], {12, 2}));
    EXPECT_TRUE(containsPoint(body.shapes[1], {12, 2}));
    EXPECT_FALSE(containsPoint(body, {30, 30}));
    EXPECT_FALSE(containsPoint(Body(), {0, 0}));
}

TEST_F(Picking, AMovedBoxIsPickedWhereItsOutlineIsNow) {
    auto box = makePickableBox(40, 20, 100, -50);
    EXPECT_TRUE(containsPoint(*box, {100, -50}));
    EXPECT_TRUE(containsPoint(*box, {119, -41}));
    EXPECT_FALSE(containsPoint(*box, {0, 0}));
    EXPECT_FALSE(containsPoint(*box, {121, -50}));
}

TEST_F(Picking, CornersMissingFromTheOutlineMissInsteadOfReadingPastIt) {
    Shape shape = triangleShape({0, 0}, {10, 0}, {0, 10});
    shape.triangles.push_back(Triangle{{VertexRef{0, 0}, VertexRef{0, 7}, VertexRef{3, 0}}});
    shape.triangles.front().corners[2].point = 9;
    EXPECT_FALSE(picks(shape, {2, 2}));
}

}  // namespace

// Shape block: default material, mass rule, material keys, circles and
// ellipses under placements, holes, colours and the bounding circle.
#include <cmath>
#include <numbers>

#include "reader_fixture.h"
#include "sim/random.h"

class ShapeBlockTest : public ReaderTest {
protected:
    // The first shape of a one-body world whose body block holds `shapeKeys`
    // inside "p { }" after the body-level keys `bodyKeys`.
    const Shape& readShape(const std::string& shapeKeys, const std::string& bodyKeys = "") {
        World& world = loadWorld("M { P { g { } " + bodyKeys + " p { " + shapeKeys + " } } }");
        body = &onlyBody(world);
        return body->shapes.at(0);
    }
    Body* body = nullptr;
};

static const std::string unitSquare = "v 0 0 v 1 0 v 1 1 v 0 1 ";

TEST_F(ShapeBlockTest, UnitSquareDefaults) {
    const Shape& shape = readShape(unitSquare);
    EXPECT_FLOAT_EQ(shape.mass, 1.0f);
    EXPECT_FLOAT_EQ(shape.area, 1.0f);
    EXPECT_FLOAT_EQ(shape.staticFriction, 0.6f);
    EXPECT_FLOAT_EQ(shape.kineticFriction, 0.3f);
    EXPECT_FLOAT_EQ(shape.bounce, 0.25f);
    EXPECT_EQ(shape.collideMask, 0x18000u);
    EXPECT_FLOAT_EQ(shape.inertia, 1.0f / 6.0f);
    // Bounding circle of the corners, about the square's centre (body-local).
    EXPECT_NEAR(shape.localCentreX, 0.0f, 1e-6f);
    EXPECT_NEAR(shape.radius, std::sqrt(0.5f), 1e-6f);
    EXPECT_EQ(shape.predContours.size(), 1u);
    EXPECT_EQ(shape.edgeNormals[0].size(), 4u);
}

TEST_F(ShapeBlockTest, DensityOverridesMass) {
    EXPECT_FLOAT_EQ(readShape(unitSquare + "d 2").mass, 2.0f);
    EXPECT_FLOAT_EQ(readShape(unitSquare + "m 5 d 2").mass, 2.0f);
    const Shape& heavy = readShape(unitSquare + "m 5");
    EXPECT_FLOAT_EQ(heavy.mass, 5.0f);
    EXPECT_FLOAT_EQ(heavy.inertia, 5.0f / 6.0f);
}

TEST_F(ShapeBlockTest, MaterialKeys) {
    const Shape& shape = readShape(unitSquare + "u s 0.9 u k 0.4 u x e 0 k 0x1 c 255 0 51 l 'a name'");
    EXPECT_FLOAT_EQ(shape.staticFriction, 0.9f);
    EXPECT_FLOAT_EQ(shape.kineticFriction, 0.4f);
    EXPECT_FLOAT_EQ(shape.bounce, 0.01f);
    EXPECT_EQ(shape.collideMask, 1u);
    EXPECT_FLOAT_EQ(shape.colour.red, 1.0f);
    EXPECT_FLOAT_EQ(shape.colour.green, 0.0f);
    EXPECT_FLOAT_EQ(shape.colour.blue, 0.2f);
    EXPECT_EQ(shape.name, "a name");
    EXPECT_FLOAT_EQ(readShape(unitSquare + "e 0.5").bounce, 0.5f);
}

// Values outside the documented ranges: each is noted once at its line,
// saying what it does and the range; those that cannot be meant are refused
// and say what is used instead. Values the step's products could not take
// are clamped or refused.
TEST_F(ShapeBlockTest, ValuesBeyondTheirRangesAreClampedOrRefusedWithANote) {
    const Shape& shape = readShape(unitSquare + "e 1e20 u s -1 u k 20", "V 2e19 0 W 0.5");
    EXPECT_FLOAT_EQ(shape.bounce, 1.0f);
    EXPECT_FLOAT_EQ(shape.staticFriction, 0.0f);
    EXPECT_FLOAT_EQ(shape.kineticFriction, 10.0f);
    EXPECT_EQ(body->vx, 0.0f);
    EXPECT_EQ(body->omega, 0.0f);
    EXPECT_TRUE(
        noted("bounce 1e20 is refused: above 1 a body would rise higher at every bounce (the range is 0.01 to "
              "1); 1 is used"))
        << notes.str();
    EXPECT_TRUE(
        noted("friction -1 is refused: below 0 it would speed a sliding body up (the range is 0 to 10); 0 is "
              "used"))
        << notes.str();
    EXPECT_TRUE(noted("friction 20 lies above the range 0 to 10")) << notes.str();
    EXPECT_TRUE(noted("velocity 2e19 units a frame crosses the window in one frame; the range is up to 1000"))
        << notes.str();
    EXPECT_TRUE(noted("body would start with points moving at 2e19 units a frame, more than 1e6; it starts at rest"))
        << notes.str();
    EXPECT_EQ(noteCount(), 5) << notes.str();

    // Density 0 or below is refused: the mass is the area (or "m").
    notes.str("");
    EXPECT_FLOAT_EQ(readShape(unitSquare + "m 3 d -2").mass, 3.0f);
    EXPECT_TRUE(noted("test.ini:2: density -2 is refused: a density lies above 0")) << notes.str();
    notes.str("");
    EXPECT_FLOAT_EQ(readShape(unitSquare + "d 0").mass, 1.0f);
    EXPECT_EQ(noteCount(), 1) << notes.str();

    // Colour outside 0..255 and a negative radius are kept as they draw, with a note.
    notes.str("");
    const Shape& disc = readShape("o 0 0 -2 c 300 0 -5");
    EXPECT_FLOAT_EQ(disc.discRadii.at(0), 2.0f);
    EXPECT_TRUE(noted("circle radius -2 is negative; a radius lies above 0, 2 is used")) << notes.str();
    EXPECT_TRUE(noted("colour 300 0 -5: components lie in 0 to 255")) << notes.str();
    EXPECT_EQ(noteCount(), 2) << notes.str();
    notes.str("");
    readShape(unitSquare, "W 7");
    EXPECT_TRUE(noted("angular velocity 7 radians a frame turns the body more than half a turn")) << notes.str();

    // Within the ranges nothing changes and nothing is said.
    notes.str("");
    const Shape& fast = readShape(unitSquare + "e 1 u s 10 u k 0 c 255 0 0", "V 1000 0 W -3");
    EXPECT_FLOAT_EQ(fast.bounce, 1.0f);
    EXPECT_FLOAT_EQ(body->vx, 1000.0f);
    EXPECT_EQ(noteCount(), 0) << notes.str();

    // A triangle that reaches past ±1e12 is refused where it does, not
    // reported later as having no area.
    notes.str("");
    loadWorld("M { P { g { } p { v -1e19 -1e19 v 1e19 -1e19 v 0 1e19 } } }");
    EXPECT_TRUE(noted("test.ini:2: point lies beyond ±1e12 once placed; reading of this file stops")) << notes.str();
    EXPECT_FALSE(noted("no area")) << notes.str();
}

TEST_F(ShapeBlockTest, DefaultColourTakesThreeGeneratorValuesRedFirst) {
    resetRandom();
    float red = static_cast<float>(nextRandom() / 32767.0);
    float green = static_cast<float>(nextRandom() / 32767.0);
    float blue = static_cast<float>(nextRandom() / 32767.0);
    resetRandom();
    const Shape& shape = readShape(unitSquare);
    EXPECT_EQ(shape.colour.red, red);
    EXPECT_EQ(shape.colour.green, green);
    EXPECT_EQ(shape.colour.blue, blue);
}

TEST_F(ShapeBlockTest, CircleUnderIdentityAndUniformScale) {
    const Shape& circle = readShape("o 0 0 2");
    ASSERT_EQ(circle.contours.size(), 1u);
    ASSERT_EQ(circle.contours[0].size(), 1u);
    EXPECT_FLOAT_EQ(circle.discRadii[0], 2.0f);
    EXPECT_NEAR(circle.area, 4.0 * std::numbers::pi, 1e-5);
    const Shape& scaled = readShape("z 2 2 o 1 0 2");
    EXPECT_FLOAT_EQ(scaled.discRadii[0], 4.0f);
    // Mass centre at the mapped centre (2, 0): the body sits there, the disc at 0.
    EXPECT_NEAR(scaled.contours[0][0].x, 0.0f, 1e-6f);
    EXPECT_NEAR(scaled.centroidX, 0.0f, 1e-6f);
}

TEST_F(ShapeBlockTest, StretchedCircleIsAnEllipseOf36Points) {
    const Shape& ellipse = readShape("z 2 1 o 0 0 2");
    ASSERT_EQ(ellipse.contours[0].size(), 36u);
    float maxX = 0, maxY = 0;
    for (const Point& p : ellipse.contours[0]) maxX = std::max(maxX, p.x), maxY = std::max(maxY, p.y);
    EXPECT_NEAR(maxX, 4.0f, 1e-4f);
    EXPECT_NEAR(maxY, 2.0f, 1e-2f);  // the 90° vertex carries nine float turns
    EXPECT_FLOAT_EQ(ellipse.discRadii[0], 2.0f);
    // Under a turn, a stretch still gives an ellipse: the long axis turned.
    const Shape& turned = readShape("z 2 1 a 90 o 0 0 2");
    ASSERT_EQ(turned.contours[0].size(), 36u);
    float maxTurnedY = 0;
    for (const Point& p : turned.contours[0]) maxTurnedY = std::max(maxTurnedY, p.y);
    EXPECT_NEAR(maxTurnedY, 4.0f, 1e-4f);
}

TEST_F(ShapeBlockTest, CircleUnderTurnOrMirrorKeepsItsSize) {
    // The entry a is 0 at 90 degrees and negative when mirrored; the radius
    // follows the placement's scale instead.
    EXPECT_NEAR(readShape("a 90 o 0 0 2").discRadii[0], 2.0f, 1e-6f);
    EXPECT_NEAR(readShape("z 3 3 a 45 o 0 0 2").discRadii[0], 6.0f, 1e-5f);
    EXPECT_FLOAT_EQ(readShape("z -1 -1 o 0 0 2").discRadii[0], 2.0f);
    EXPECT_FLOAT_EQ(readShape("o 0 0 -2").discRadii[0], 2.0f);
    EXPECT_EQ(readShape("z -1 -1 a 30 o 0 0 2").contours[0].size(), 1u);
}

TEST_F(ShapeBlockTest, HoleCutsTheArea) {
    const Shape& shape = readShape("v 0 0 v 10 0 v 10 10 v 0 10 h v 4 4 v 6 4 v 6 6 v 4 6");
    EXPECT_EQ(shape.contours.size(), 2u);
    EXPECT_NEAR(shape.area, 96.0f, 1e-3f);
    // The hole does not enter the bounding circle.
    EXPECT_NEAR(shape.radius, std::sqrt(50.0f), 1e-4f);
}

TEST_F(ShapeBlockTest, DiscContourInsideAPolygonAddsItsArea) {
    const Shape& shape = readShape("v 0 0 v 10 0 v 10 10 v 0 10 h o 5 5 1");
    EXPECT_NEAR(shape.area, 100.0 + std::numbers::pi, 1e-3);
    EXPECT_FLOAT_EQ(shape.discRadii[1], 1.0f);
}

TEST_F(ShapeBlockTest, OnePointContourWithoutRadiusIsAZeroDisc) {
    // "v" alone makes a one-point contour; no "o" gave it a radius: 0.
    const Shape& shape = readShape("v 0 0 v 10 0 v 10 10 v 0 10 h v 5 5");
    ASSERT_EQ(shape.discRadii.size(), 2u);
    EXPECT_EQ(shape.discRadii[1], 0.0f);
    EXPECT_NEAR(shape.area, 100.0f, 1e-3f);
}

TEST_F(ShapeBlockTest, ShapePlacementStartsFromTheBodys) {
    const Shape& shape = readShape("x= 0 5 " + unitSquare, "z 2 2");
    // Body scales by 2, the shape then shifts by 5 in the outer frame:
    // corners at (0, 5)..(2, 7), centre (1, 6).
    EXPECT_FLOAT_EQ(shape.area, 4.0f);
    EXPECT_NEAR(body->plugs[0].localX, -1.0f, 1e-5f);
    EXPECT_NEAR(body->plugs[0].localY, -6.0f, 1e-5f);
}

TEST_F(ShapeBlockTest, CapacityHintsDoNotFollowHugeNumbers) {
    const Shape& shape = readShape("r h 2000000000 r c 2000000000 " + unitSquare);
    EXPECT_LE(shape.contours.capacity(), 4097u);
    EXPECT_LE(shape.contours[0].capacity(), 4097u);
    EXPECT_FLOAT_EQ(shape.area, 1.0f);
}

#include "render/tessellation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "support/reset.h"

namespace {

constexpr float pi = std::numbers::pi_v<float>;

Contour square(float x0, float y0, float side) {
    return {{x0, y0}, {x0 + side, y0}, {x0 + side, y0 + side}, {x0, y0 + side}};
}

Contour reversed(Contour c) { return Contour(c.rbegin(), c.rend()); }

Shape shapeOf(ContourSet contours, std::vector<float> radii = {}) {
    Shape shape;
    shape.contours = std::move(contours);
    shape.discRadii = std::move(radii);
    if (shape.discRadii.empty()) shape.discRadii.assign(shape.contours.size(), 0.0f);
    return shape;
}

// Sum of the triangle areas, recomputed independently of the mass figures.
float trianglesArea(const Shape& shape) {
    currentContourSet = &shape.contours;
    double total = 0.0;
    for (const Triangle& t : shape.triangles) {
        const Point& a = resolveVertex(t.corners[0]);
        const Point& b = resolveVertex(t.corners[1]);
        const Point& c = resolveVertex(t.corners[2]);
        total += std::fabs((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y)) / 2.0;
    }
    return static_cast<float>(total);
}

bool referencesAreValid(const Shape& shape) {
    for (const Triangle& t : shape.triangles)
        for (const VertexRef& r : t.corners)
            if (r.contour >= shape.contours.size() || r.point >= shape.contours[r.contour].size())
                return false;
    return true;
}

class Tessellation : public ::testing::Test {
protected:
    void SetUp() override { resetProcessState(); }
};

TEST_F(Tessellation, CounterClockwiseSquare) {
    Shape shape = shapeOf({square(0, 0, 10)});
    prepareShape(shape);
    ASSERT_EQ(shape.triangles.size(), 2u);
    EXPECT_TRUE(referencesAreValid(shape));
    EXPECT_FLOAT_EQ(shape.area, 100.0f);
    EXPECT_FLOAT_EQ(shape.centroidX, 5.0f);
    EXPECT_FLOAT_EQ(shape.centroidY, 5.0f);
    // Textbook: m(a² + b²)/12 for a rectangle.
    EXPECT_NEAR(shape.inertia, 5000.0f / 3.0f, 1e-3f);
    ASSERT_EQ(shape.reverseNormals.size(), 1u);
    EXPECT_TRUE(shape.reverseNormals[0]);
    EXPECT_EQ(currentContourSet, &shape.contours);
}

TEST_F(Tessellation, ClockwiseSquareHasSameFiguresButKeepsNormals) {
    Shape shape = shapeOf({reversed(square(0, 0, 10))});
    prepareShape(shape);
    ASSERT_EQ(shape.triangles.size(), 2u);
    EXPECT_FLOAT_EQ(shape.area, 100.0f);
    EXPECT_FLOAT_EQ(shape.centroidX, 5.0f);
    EXPECT_FLOAT_EQ(shape.centroidY, 5.0f);
    EXPECT_NEAR(shape.inertia, 5000.0f / 3.0f, 1e-3f);
    EXPECT_FALSE(shape.reverseNormals[0]);
}

TEST_F(Tessellation, TriangleMomentMatchesSideFormula) {
    // Polar moment about the centroid: A (|AB|² + |BC|² + |CA|²) / 36.
    Contour tri = {{0, 0}, {4, 0}, {1, 3}};
    Shape shape = shapeOf({tri});
    prepareShape(shape);
    ASSERT_EQ(shape.triangles.size(), 1u);
    float area = 6.0f;
    float sides = 16.0f + (9.0f + 9.0f) + (1.0f + 9.0f);
    EXPECT_FLOAT_EQ(shape.area, area);
    EXPECT_NEAR(shape.inertia, area * sides / 36.0f, 1e-4f);
    EXPECT_FLOAT_EQ(shape.centroidX, 5.0f / 3.0f);
    EXPECT_FLOAT_EQ(shape.centroidY, 1.0f);
}

TEST_F(Tessellation, LoneDiscHasNoTriangles) {
    Shape shape = shapeOf({{{3, -4}}}, {2.0f});
    prepareShape(shape);
    EXPECT_TRUE(shape.triangles.empty());
    EXPECT_NEAR(shape.area, 4.0f * pi, 1e-5f);
    EXPECT_FLOAT_EQ(shape.centroidX, 3.0f);
    EXPECT_FLOAT_EQ(shape.centroidY, -4.0f);
    EXPECT_NEAR(shape.inertia, 8.0f * pi, 1e-4f);
    EXPECT_FALSE(shape.reverseNormals[0]);
}

TEST_F(Tessellation, SquareWithDiscAddsAreaButNoTriangles) {
    Shape shape = shapeOf({square(0, 0, 10), {{5, 5}}}, {0.0f, 1.0f});
    prepareShape(shape);
    EXPECT_EQ(shape.triangles.size(), 2u);
    EXPECT_NEAR(shape.area, 100.0f + pi, 1e-4f);
    EXPECT_NEAR(shape.centroidX, 5.0f, 1e-5f);
    EXPECT_NEAR(shape.inertia, 5000.0f / 3.0f + pi / 2.0f, 1e-2f);
    for (const Triangle& t : shape.triangles)
        for (const VertexRef& r : t.corners) EXPECT_EQ(r.contour, 0u);
}

TEST_F(Tessellation, OffCentreDiscShiftsCentroid) {
    Shape shape = shapeOf({square(0, 0, 10), {{20, 5}}}, {0.0f, 2.0f});
    prepareShape(shape);
    float discArea = 4.0f * pi;
    float total = 100.0f + discArea;
    EXPECT_NEAR(shape.centroidX, (500.0f + 20.0f * discArea) / total, 1e-4f);
    EXPECT_NEAR(shape.centroidY, 5.0f, 1e-5f);
    // Parallel axes: each part's own moment plus its area times its offset².
    float cx = shape.centroidX;
    float expected = 5000.0f / 3.0f + 100.0f * (5.0f - cx) * (5.0f - cx) + 8.0f * pi +
                     discArea * (20.0f - cx) * (20.0f - cx);
    EXPECT_NEAR(shape.inertia, expected, expected * 1e-5f);
}

TEST_F(Tessellation, SquareHoleIsCutByOddRule) {
    // The hole runs clockwise, as a hole should; the odd rule cuts it either way.
    Shape shape = shapeOf({square(0, 0, 10), reversed(square(2, 2, 4))});
    prepareShape(shape);
    EXPECT_TRUE(referencesAreValid(shape));
    EXPECT_NEAR(shape.area, 84.0f, 1e-4f);
    EXPECT_NEAR(trianglesArea(shape), 84.0f, 1e-4f);
    EXPECT_NEAR(shape.centroidX, (500.0f - 16.0f * 4.0f) / 84.0f, 1e-4f);
    EXPECT_NEAR(shape.centroidY, (500.0f - 16.0f * 4.0f) / 84.0f, 1e-4f);
    ASSERT_EQ(shape.reverseNormals.size(), 2u);
    EXPECT_TRUE(shape.reverseNormals[0]);   // outer counter-clockwise
    EXPECT_TRUE(shape.reverseNormals[1]);   // hole clockwise

    // A centred hole, wound like the outline: moment of the square minus the hole's.
    Shape sameWinding = shapeOf({square(0, 0, 10), square(3, 3, 4)});
    prepareShape(sameWinding);
    EXPECT_NEAR(sameWinding.area, 84.0f, 1e-4f);
    EXPECT_NEAR(sameWinding.inertia, 5000.0f / 3.0f - 16.0f * 32.0f / 12.0f, 1e-2f);
    EXPECT_FALSE(sameWinding.reverseNormals[1]);
}

TEST_F(Tessellation, DiscWithPolygonHole) {
    // Disc of radius 10 at the origin, a 2 x 2 square hole centred at (4, 0).
    Shape shape = shapeOf({{{0, 0}}, reversed(square(3, -1, 2))}, {10.0f, 0.0f});
    prepareShape(shape);
    EXPECT_TRUE(referencesAreValid(shape));
    for (const Triangle& t : shape.triangles)
        for (const VertexRef& r : t.corners) EXPECT_EQ(r.contour, 1u);
    EXPECT_NEAR(trianglesArea(shape), 4.0f, 1e-5f);  // the triangles cover the hole

    float discArea = 100.0f * pi;
    float area = discArea - 4.0f;
    EXPECT_NEAR(shape.area, area, 1e-3f);
    float cx = -16.0f / area;
    EXPECT_NEAR(shape.centroidX, cx, 1e-5f);
    EXPECT_NEAR(shape.centroidY, 0.0f, 1e-5f);
    float expected = discArea * 100.0f / 2.0f + discArea * cx * cx -
                     (4.0f * 8.0f / 12.0f + 4.0f * (4.0f - cx) * (4.0f - cx));
    EXPECT_NEAR(shape.inertia, expected, expected * 1e-5f);
    EXPECT_TRUE(shape.reverseNormals[1]);  // clockwise hole
}

TEST_F(Tessellation, DiscWithTwoHolesTessellatesEachSeparately) {
    Shape shape = shapeOf({{{0, 0}}, square(-5, -1, 2), square(3, -1, 2), {{0, 5}}},
                          {10.0f, 0.0f, 0.0f, 1.0f});
    prepareShape(shape);
    EXPECT_EQ(shape.triangles.size(), 4u);
    EXPECT_NEAR(shape.area, 100.0f * pi - 8.0f - pi, 1e-3f);
    EXPECT_FALSE(shape.reverseNormals[1]);  // counter-clockwise hole
}

TEST_F(Tessellation, MissingDiscRadiusReadsAsZero) {
    Shape shape;
    shape.contours = {square(0, 0, 10), {{5, 5}}};
    shape.discRadii = {0.0f};  // no entry for the disc contour
    prepareShape(shape);
    EXPECT_FLOAT_EQ(shape.area, 100.0f);

    Shape lone;
    lone.contours = {{{1, 1}}};
    prepareShape(lone);
    EXPECT_FLOAT_EQ(lone.area, 0.0f);
    EXPECT_TRUE(std::isfinite(lone.centroidX));
}

TEST_F(Tessellation, TrianglesAccumulateAcrossShapes) {
    // The assembler's corner counter is never reset; it must be back at a
    // triangle boundary after every shape.
    for (int i = 0; i < 3; ++i) {
        Shape shape = shapeOf({{{0, 0}, {4, 0}, {4, 4}, {2, 6}, {0, 4}}});
        prepareShape(shape);
        EXPECT_EQ(shape.triangles.size(), 3u);
        EXPECT_NEAR(shape.area, 20.0f, 1e-5f);
    }
}

// Degenerate and hostile outlines: whatever the tessellator makes of them,
// nothing crashes, every reference is valid and no non-number appears
// unless the input carried one.
class DegenerateOutline : public Tessellation {
protected:
    void expectSane(const Shape& shape) {
        EXPECT_TRUE(referencesAreValid(shape));
        EXPECT_TRUE(std::isfinite(shape.area));
        EXPECT_TRUE(std::isfinite(shape.centroidX));
        EXPECT_TRUE(std::isfinite(shape.centroidY));
        EXPECT_TRUE(std::isfinite(shape.inertia));
        EXPECT_EQ(shape.reverseNormals.size(), shape.contours.size());
    }
};

TEST_F(DegenerateOutline, NoContoursAtAll) {
    Shape shape;
    prepareShape(shape);
    expectSane(shape);
    EXPECT_EQ(shape.area, 0.0f);
    EXPECT_EQ(shape.centroidX, 0.0f);
}

TEST_F(DegenerateOutline, TwoPointsAndEmptyContour) {
    Shape twoPoints = shapeOf({{{0, 0}, {5, 5}}});
    prepareShape(twoPoints);
    expectSane(twoPoints);
    EXPECT_TRUE(twoPoints.triangles.empty());
    EXPECT_EQ(twoPoints.area, 0.0f);

    Shape withEmpty = shapeOf({square(0, 0, 10), {}});
    prepareShape(withEmpty);
    expectSane(withEmpty);
    EXPECT_FLOAT_EQ(withEmpty.area, 100.0f);
}

TEST_F(DegenerateOutline, CollinearPoints) {
    Shape line = shapeOf({{{0, 0}, {1, 0}, {2, 0}, {3, 0}}});
    prepareShape(line);
    expectSane(line);
    EXPECT_EQ(line.area, 0.0f);

    // Extra points along the square's sides do not change its figures.
    Shape padded = shapeOf({{{0, 0}, {5, 0}, {10, 0}, {10, 10}, {5, 10}, {0, 10}}});
    prepareShape(padded);
    expectSane(padded);
    EXPECT_FLOAT_EQ(padded.area, 100.0f);
    EXPECT_NEAR(padded.inertia, 5000.0f / 3.0f, 1e-2f);
}

TEST_F(DegenerateOutline, SelfIntersectingBowTie) {
    Shape shape = shapeOf({{{0, 0}, {10, 10}, {10, 0}, {0, 10}}});
    prepareShape(shape);
    expectSane(shape);
    // Without a combine callback the crossing cannot be split: at most the
    // two true lobes (area 50) are covered.
    EXPECT_LE(shape.area, 50.0f + 1e-3f);
}

TEST_F(DegenerateOutline, OverlappingAndTouchingContours) {
    Shape overlapping = shapeOf({square(0, 0, 10), square(5, 5, 10)});
    prepareShape(overlapping);
    expectSane(overlapping);

    Shape touching = shapeOf({square(0, 0, 10), square(10, 0, 10)});
    prepareShape(touching);
    expectSane(touching);

    Shape sharedCorner = shapeOf({square(0, 0, 10), square(10, 10, 10)});
    prepareShape(sharedCorner);
    expectSane(sharedCorner);

    Shape repeatedPoint = shapeOf({{{0, 0}, {10, 0}, {10, 0}, {10, 10}, {0, 10}}});
    prepareShape(repeatedPoint);
    expectSane(repeatedPoint);
    EXPECT_NEAR(repeatedPoint.area, 100.0f, 1e-4f);
}

TEST_F(DegenerateOutline, NonFiniteCoordinatesAreNotTessellated) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    Shape withNan = shapeOf({{{0, 0}, {10, 0}, {nan, 10}, {0, 10}}});
    prepareShape(withNan);
    EXPECT_TRUE(withNan.triangles.empty());

    Shape withInf = shapeOf({square(0, 0, 10), {{inf, 0}, {1, 1}, {0, 1}}});
    prepareShape(withInf);
    EXPECT_TRUE(withInf.triangles.empty());
}

}  // namespace

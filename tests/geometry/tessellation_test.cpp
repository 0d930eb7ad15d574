#include "geometry/tessellation.h"

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <random>

#include "geometry/outline_crossing.h"
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
    double total = 0.0;
    for (const Triangle& t : shape.triangles) {
        const Point& a = resolveVertex(shape.contours, t.corners[0]);
        const Point& b = resolveVertex(shape.contours, t.corners[1]);
        const Point& c = resolveVertex(shape.contours, t.corners[2]);
        total += std::fabs((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y)) / 2.0;
    }
    return static_cast<float>(total);
}

bool referencesAreValid(const Shape& shape) {
    for (const Triangle& t : shape.triangles)
        for (const VertexRef& r : t.corners)
            if (r.contour >= shape.contours.size() || r.point >= shape.contours[r.contour].size()) return false;
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
    float expected =
        5000.0f / 3.0f + 100.0f * (5.0f - cx) * (5.0f - cx) + 8.0f * pi + discArea * (20.0f - cx) * (20.0f - cx);
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
    EXPECT_TRUE(shape.reverseNormals[0]);  // outer counter-clockwise
    EXPECT_TRUE(shape.reverseNormals[1]);  // hole clockwise

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
    float expected =
        discArea * 100.0f / 2.0f + discArea * cx * cx - (4.0f * 8.0f / 12.0f + 4.0f * (4.0f - cx) * (4.0f - cx));
    EXPECT_NEAR(shape.inertia, expected, expected * 1e-5f);
    EXPECT_TRUE(shape.reverseNormals[1]);  // clockwise hole
}

TEST_F(Tessellation, DiscWithTwoHolesTessellatesEachSeparately) {
    Shape shape = shapeOf({{{0, 0}}, square(-5, -1, 2), square(3, -1, 2), {{0, 5}}}, {10.0f, 0.0f, 0.0f, 1.0f});
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

// Self-crossing outlines are held back from the tessellator, which could
// only sweep through every crossing and give no triangles. The rule must
// never hold back an outline the tessellator would have made triangles of.
class SelfCrossingOutline : public Tessellation {};

// The tessellator alone, fed as prepareShape feeds it (odd rule, no combine
// callback, a disc's holes one polygon each) but never held back.
struct TessellatorRun {
    std::vector<Triangle> triangles;
    Triangle pending;
    uint32_t corner = 0;
};

void GLAPIENTRY ignoreFlag(GLboolean, void*) {}

void GLAPIENTRY collectCorner(void* vertex, void* data) {
    auto& run = *static_cast<TessellatorRun*>(data);
    if (vertex == nullptr) return;
    run.pending.corners[run.corner] = *static_cast<const VertexRef*>(vertex);
    if (run.corner == 2) run.triangles.push_back(run.pending);
    run.corner = (run.corner + 1) % 3;
}

std::vector<Triangle> tessellatorTriangles(const ContourSet& contours) {
    GLUtesselator* tess = gluNewTess();
    gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<_GLUfuncptr>(ignoreFlag));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<_GLUfuncptr>(collectCorner));
    TessellatorRun run;
    // Reserved whole: the tessellator keeps pointers into both.
    std::vector<VertexRef> refs;
    std::vector<std::array<GLdouble, 3>> coords;
    size_t total = 0;
    for (const Contour& contour : contours) total += contour.size();
    refs.reserve(total);
    coords.reserve(total);
    auto feed = [&](uint32_t i) {
        gluTessBeginContour(tess);
        for (uint32_t j = 0; j < contours[i].size(); ++j) {
            refs.push_back({i, j});
            coords.push_back({contours[i][j].x, contours[i][j].y, 0.0});
            gluTessVertex(tess, coords.back().data(), &refs.back());
        }
        gluTessEndContour(tess);
    };
    bool discWithHoles = !contours.empty() && contours[0].size() == 1;
    if (!discWithHoles) gluTessBeginPolygon(tess, &run);
    for (uint32_t i = 0; i < contours.size(); ++i) {
        if (contours[i].size() == 1) continue;
        if (discWithHoles) gluTessBeginPolygon(tess, &run);
        feed(i);
        if (discWithHoles) gluTessEndPolygon(tess);
    }
    if (!discWithHoles) gluTessEndPolygon(tess);
    gluDeleteTess(tess);
    return run.triangles;
}

bool sameTriangles(const std::vector<Triangle>& a, const std::vector<Triangle>& b) {
    if (a.size() != b.size()) return false;
    for (size_t t = 0; t < a.size(); ++t)
        for (size_t k = 0; k < 3; ++k)
            if (a[t].corners[k].contour != b[t].corners[k].contour || a[t].corners[k].point != b[t].corners[k].point)
                return false;
    return true;
}

// Random outlines, most of them near-degenerate: points on a coarse grid
// (collinear overlaps, touching and repeated vertices, crossings through
// vertices, contours crossing holes), the same nudged by a few units in the
// last place (crossings numerically beside a vertex), scaled by powers of
// two, moved far from the origin, and plain random points.
class OutlineMaker {
public:
    explicit OutlineMaker(uint32_t seed) : generator(seed) {}

    uint32_t below(uint32_t n) { return generator() % n; }

    Contour gridContour(uint32_t points, uint32_t gridSize) {
        Contour contour(points);
        for (Point& p : contour) p = {static_cast<float>(below(gridSize + 1)), static_cast<float>(below(gridSize + 1))};
        return contour;
    }

    Contour randomContour(uint32_t points) {
        Contour contour(points);
        for (Point& p : contour) p = {unit(), unit()};
        return contour;
    }

    void nudge(ContourSet& contours) {
        for (Contour& contour : contours)
            for (Point& p : contour)
                for (float* coordinate : {&p.x, &p.y}) {
                    if (below(3) != 0) continue;
                    float towards = below(2) == 0 ? INFINITY : -INFINITY;
                    for (uint32_t step = below(3) + 1; step > 0; --step)
                        *coordinate = std::nextafter(*coordinate, towards);
                }
    }

    // A vertex put where two edges of the contour cross, rounded to floats
    // and nudged, so the crossing lies at or beside a vertex.
    void pinFirstCrossing(Contour& contour) {
        size_t n = contour.size();
        for (size_t i = 0; i < n; ++i)
            for (size_t j = i + 2; j < n; ++j) {
                if (i == 0 && j == n - 1) continue;
                const Point &a = contour[i], &b = contour[(i + 1) % n];
                const Point &c = contour[j], &d = contour[(j + 1) % n];
                double turnC = turn(a, b, c), turnD = turn(a, b, d);
                if (turnC * turnD >= 0 || turn(c, d, a) * turn(c, d, b) >= 0) continue;
                double along = turnC / (turnC - turnD);
                Point crossing = {static_cast<float>(c.x + along * (d.x - c.x)),
                                  static_cast<float>(c.y + along * (d.y - c.y))};
                ContourSet pinned = {{crossing}};
                nudge(pinned);
                contour.insert(contour.begin() + static_cast<long>(below(static_cast<uint32_t>(n))), pinned[0][0]);
                return;
            }
    }

    void scaleAndMove(ContourSet& contours) {
        const float scales[] = {0x1p-60f, 0x1p-20f, 1.0f, 0x1p20f, 0x1p60f};
        const float offsets[] = {0.0f, 1000.0f, -65536.0f};
        float scale = scales[below(5)], offset = offsets[below(3)];
        for (Contour& contour : contours)
            for (Point& p : contour) p = {p.x * scale + offset, p.y * scale + offset};
    }

private:
    static double turn(const Point& a, const Point& b, const Point& c) {
        return (static_cast<double>(b.x) - a.x) * (static_cast<double>(c.y) - a.y) -
               (static_cast<double>(b.y) - a.y) * (static_cast<double>(c.x) - a.x);
    }

    float unit() { return static_cast<float>(generator() >> 8) * 0x1p-24f * 2.0f - 1.0f; }

    std::mt19937 generator;
};

TEST_F(SelfCrossingOutline, HeldBackOnlyWhereTheTessellatorMakesNoTriangles) {
    OutlineMaker maker(15);
    constexpr int families = 6;
    int heldBack[families] = {}, cases[families] = {};
    for (int trial = 0; trial < 18000; ++trial) {
        int family = trial % families;
        ContourSet contours;
        std::vector<float> radii;
        switch (family) {
            case 0:  // one grid contour
                contours.push_back(maker.gridContour(4 + maker.below(9), 2 + maker.below(7)));
                break;
            case 1:    // an outline with holes, on one grid
            case 2: {  // the same, nudged, scaled and moved
                uint32_t grid = 2 + maker.below(7);
                for (uint32_t c = 1 + maker.below(3); c > 0; --c)
                    contours.push_back(maker.gridContour(3 + maker.below(6), grid));
                if (family == 2) {
                    maker.nudge(contours);
                    maker.scaleAndMove(contours);
                }
                break;
            }
            case 3:  // a disc whose polygonal holes are tessellated one by one
                contours.push_back({{2.0f, 2.0f}});
                radii.push_back(10.0f);
                for (uint32_t c = 1 + maker.below(2); c > 0; --c) {
                    contours.push_back(maker.gridContour(4 + maker.below(6), 4));
                    radii.push_back(0.0f);
                }
                break;
            case 4:  // random points
                contours.push_back(maker.randomContour(4 + maker.below(40)));
                if (maker.below(2) == 0) contours.push_back(maker.randomContour(3 + maker.below(6)));
                break;
            default:  // random points with a vertex where two edges cross
                contours.push_back(maker.randomContour(4 + maker.below(6)));
                for (uint32_t pins = 1 + maker.below(3); pins > 0; --pins) maker.pinFirstCrossing(contours[0]);
                break;
        }
        Shape shape = shapeOf(contours, radii);
        bool crosses = prepareShape(shape) == TessellationOutcome::outlineCrossesItself;
        ++cases[family];
        heldBack[family] += crosses;
        // Held back or not, the triangles are the tessellator's own.
        ASSERT_TRUE(sameTriangles(shape.triangles, tessellatorTriangles(contours)))
            << "family " << family << ", trial " << trial << (crosses ? ", held back" : "");
        if (crosses && family != 3) {
            EXPECT_TRUE(shape.triangles.empty());
        }
    }
    // The rule is not idle: in every family it catches a share of the
    // crossings, and nearly every random outline crosses itself.
    for (int family = 0; family < families; ++family) EXPECT_GT(heldBack[family], cases[family] / 20) << family;
    EXPECT_GT(heldBack[4], cases[4] * 8 / 10);
}

TEST_F(SelfCrossingOutline, OnlyCrossingsClearOfEveryVertexCount) {
    auto crosses = [](const ContourSet& contours) {
        std::vector<const Contour*> polygon;
        for (const Contour& contour : contours) polygon.push_back(&contour);
        return outlineCertainlyCrossesItself(polygon);
    };
    const Contour bowTie = {{0, 0}, {10, 10}, {10, 0}, {0, 10}};
    EXPECT_TRUE(crosses({bowTie}));
    // The same edges meeting at a vertex of the outline: merged, not crossed.
    EXPECT_FALSE(crosses({{{0, 0}, {5, 5}, {10, 10}, {10, 0}, {0, 10}}}));
    // An edge passing one unit in the last place beside that vertex.
    EXPECT_FALSE(crosses({{{0, 0}, {5, std::nextafter(5.0f, 6.0f)}, {10, 10}, {10, 0}, {0, 10}}}));
    // A hole that crosses the outline, and one that only touches it.
    EXPECT_TRUE(crosses({square(0, 0, 10), {{8, 10.5f}, {5, 13.5f}, {2, 10.5f}, {5, 7.5f}}}));
    EXPECT_FALSE(crosses({square(0, 0, 10), square(10, 0, 10)}));
    // Overlapping edges along one line.
    EXPECT_FALSE(crosses({{{0, 0}, {10, 0}, {10, 5}, {8, 5}, {8, 0}, {2, 0}, {2, 5}, {0, 5}}}));
    // A contour of two points is dropped by the tessellator: it crosses nothing.
    EXPECT_FALSE(crosses({square(0, 0, 10), {{-5, 5}, {15, 6}}}));
    // Repeated points do not hide the crossing.
    EXPECT_TRUE(crosses({{{0, 0}, {0, 0}, {10, 10}, {10, 0}, {10, 0}, {0, 10}, {0, 0}}}));
    // A steep edge is not trusted to cross where the sweep sees it.
    EXPECT_FALSE(crosses({{{0, 0}, {0.01f, 10}, {10, 5}, {-10, 6}}}));
}

TEST_F(SelfCrossingOutline, TwentyThousandRandomPointsGiveNoTriangles) {
    OutlineMaker maker(20000);
    Shape shape = shapeOf({maker.randomContour(20000)});
    EXPECT_EQ(prepareShape(shape), TessellationOutcome::outlineCrossesItself);
    EXPECT_TRUE(shape.triangles.empty());
    EXPECT_EQ(shape.area, 0.0f);
    EXPECT_EQ(shape.reverseNormals.size(), 1u);
}

// A sawtooth closed by one long edge crosses it near a vertex each time,
// so no single crossing is trusted; the tessellator took 9 s on 12 000
// corners. A large outline with that many crossings counts as crossing.
TEST_F(SelfCrossingOutline, LongEdgeAcrossASawtoothCounts) {
    Contour sawtooth;
    for (int i = 0; i < 12000; ++i) sawtooth.push_back({static_cast<float>(i), static_cast<float>(i % 7)});
    Shape shape = shapeOf({sawtooth});
    EXPECT_EQ(prepareShape(shape), TessellationOutcome::outlineCrossesItself);
    EXPECT_TRUE(shape.triangles.empty());
}

// A star of many spikes is simple, but across the sweep its edges lie side
// by side, and the tessellator's time grows with their square (32 000
// spikes: 8 s). Held back, it gives no triangles; a fine circle is filled.
TEST_F(SelfCrossingOutline, AStarOfManySpikesIsTooIntricateToFill) {
    Contour star;
    for (int i = 0; i < 64000; ++i) {
        float radius = i % 2 ? 1000.0f : 10.0f;
        star.push_back({radius * std::cos(2 * pi * i / 64000), radius * std::sin(2 * pi * i / 64000)});
    }
    Shape shape = shapeOf({star});
    EXPECT_EQ(prepareShape(shape), TessellationOutcome::outlineTooIntricate);
    EXPECT_TRUE(shape.triangles.empty());

    Contour round;
    for (int i = 0; i < 20000; ++i)
        round.push_back({500 * std::cos(2 * pi * i / 20000), 500 * std::sin(2 * pi * i / 20000)});
    Shape fine = shapeOf({round});
    EXPECT_EQ(prepareShape(fine), TessellationOutcome::tessellated);
    EXPECT_GT(fine.area, 780000.0f);
}

// A hole traced again and again lies along itself everywhere: the
// tessellator would spend minutes merging the copies (a 1 000-corner hole
// traced 160 times took 45 s), so such an outline counts as crossing. A
// slit cut into an outline, or a hole along an outer edge, lies along
// itself at a few edges only and is tessellated as before.
TEST_F(SelfCrossingOutline, OutlinesThatRunAlongThemselvesOverAndOverCount) {
    Contour hole;
    for (int i = 0; i < 100; ++i) hole.push_back({20 * std::cos(2 * pi * i / 100), 20 * std::sin(2 * pi * i / 100)});
    Contour tracedThrice;
    for (int round = 0; round < 3; ++round) tracedThrice.insert(tracedThrice.end(), hole.begin(), hole.end());
    Contour outer = square(-50, -50, 100);
    for (ContourSet contours : {ContourSet{outer, tracedThrice}, ContourSet{outer, hole, hole, hole},
                                ContourSet{outer, hole, reversed(hole)}}) {
        Shape shape = shapeOf(contours);
        EXPECT_EQ(prepareShape(shape), TessellationOutcome::outlineCrossesItself) << contours.size();
        EXPECT_TRUE(shape.triangles.empty());
    }

    Shape slit = shapeOf({{{0, 0}, {10, 0}, {10, 10}, {6, 10}, {6, 4}, {6, 10}, {0, 10}}});
    EXPECT_EQ(prepareShape(slit), TessellationOutcome::tessellated);
    EXPECT_NEAR(slit.area, 100.0f, 1e-4f);
    Shape holeOnTheEdge = shapeOf({square(0, 0, 10), reversed(square(0, 0, 5))});
    EXPECT_EQ(prepareShape(holeOnTheEdge), TessellationOutcome::tessellated);
    EXPECT_NEAR(holeOnTheEdge.area, 75.0f, 1e-4f);
}

TEST_F(SelfCrossingOutline, DiscKeepsItsOtherHoles) {
    // The crossing hole adds nothing; the square hole is cut as before.
    Shape shape = shapeOf({{{0, 0}}, {{1, 1}, {3, 3}, {3, 1}, {1, 3}}, reversed(square(-4, -4, 2))}, {10, 0, 0});
    EXPECT_EQ(prepareShape(shape), TessellationOutcome::outlineCrossesItself);
    EXPECT_EQ(shape.triangles.size(), 2u);
    EXPECT_NEAR(shape.area, 100.0f * pi - 4.0f, 1e-3f);
}

}  // namespace

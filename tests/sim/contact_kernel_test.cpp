// The contact test and the prediction run four lanes at a time; these cases
// hold them to the plain scalar reading of the algorithm, bit for bit, on
// random outlines that cross often, with odd contour sizes, signed zeros
// and NaN among the inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "sim/contact_kernel.h"
#include "sim/edge_quads.h"
#include "sim/globals.h"
#include "sim/motion.h"
#include "support/quad_layout.h"
#include "support/reset.h"
#include "support/world_builder.h"

namespace {

// A step whose dt is 1: bodies without velocity are predicted where they are.
const StepContext dtOne;

// The contact test exactly as the algorithm reads: one vertex against one
// edge at a time, indices wrapped with %, the start tolerance in double.
ContactSum referenceTestShapes(const Shape& s, const Body& bodyS, const Shape& t) {
    ContactSum sum;
    float dx = s.sweptX - t.sweptX, dy = s.sweptY - t.sweptY;
    float reach = s.sweptRadius + t.sweptRadius;
    if (reach * reach < dx * dx + dy * dy) return sum;
    if ((s.collideMask & t.collideMask) == 0) return sum;
    for (size_t ti = 0; ti < t.curContours.size(); ++ti)
        for (size_t k = 0; k < t.curContours[ti].size(); ++k) {
            Point cur = t.curContours[ti][k];
            float u = cur.x - bodyS.x, v = cur.y - bodyS.y;
            Point q0{bodyS.cosTurn * u - bodyS.sinTurn * v + bodyS.px,
                     bodyS.sinTurn * u + bodyS.cosTurn * v + bodyS.py};
            Point q1 = t.predContours[ti][k];
            Point m = t.cornerVectors[ti][k];
            for (size_t si = 0; si < s.predContours.size(); ++si) {
                const Contour& p = s.predContours[si];
                for (size_t j = 0; j < p.size(); ++j) {
                    Point e0 = p[j], e1 = p[(j + 1) % p.size()], n = s.edgeNormals[si][j];
                    if (m.x * n.x + m.y * n.y > 0.0f) continue;
                    if (static_cast<double>(n.x * (q0.x - e0.x) + n.y * (q0.y - e0.y)) < -0.02) continue;
                    if (n.x * (q1.x - e0.x) + n.y * (q1.y - e0.y) > 0.0f) continue;
                    float s0 = (q0.y - e0.y) * (q0.x - q1.x) - (q0.x - e0.x) * (q0.y - q1.y);
                    float s1 = (q0.y - e1.y) * (q0.x - q1.x) - (q0.x - e1.x) * (q0.y - q1.y);
                    if ((s0 > 0.0f) == (s1 > 0.0f)) continue;
                    float along = ((e0.y - q0.y) * (q1.x - q0.x) - (e0.x - q0.x) * (q1.y - q0.y)) /
                                  ((q1.y - q0.y) * (e1.x - e0.x) - (q1.x - q0.x) * (e1.y - e0.y));
                    float w = s.bounce * t.bounce;
                    sum.sumX += (e0.x + along * (e1.x - e0.x)) * w;
                    sum.sumY += (e0.y + along * (e1.y - e0.y)) * w;
                    sum.normalX += n.x * w;
                    sum.normalY += n.y * w;
                    sum.sumKinetic += s.kineticFriction * t.kineticFriction;
                    sum.sumStatic += s.staticFriction * t.staticFriction;
                    sum.sumWeight += w;
                    sum.count += 1;
                }
            }
        }
    return sum;
}

bool sameBits(const ContactSum& a, const ContactSum& b) {
    return a.count == b.count && std::memcmp(&a.sumX, &b.sumX, 7 * sizeof(float)) == 0;
}

struct RandomOutlines {
    std::mt19937 random{20240607};

    float coordinate() {
        switch (random() % 40) {
            case 0:
                return 0.0f;
            case 1:
                return -0.0f;
            case 2:
                return NAN;
            default:
                return std::uniform_real_distribution<float>(-1.0f, 1.0f)(random);
        }
    }
    Point point() { return {coordinate(), coordinate()}; }
    Contour contour(size_t size) {
        Contour points(size);
        for (Point& p : points) p = point();
        return points;
    }
    // A shape whose sets are unrelated random points: what matters here is
    // that both versions read them alike, and random points cross often.
    Shape shape(bool box = false) {
        Shape shape;
        size_t contours = box ? 1 : 1 + random() % 3;
        for (size_t i = 0; i < contours; ++i) {
            size_t size = box ? 4 : 1 + random() % 13;  // tails of every length, one-point contours
            shape.curContours.push_back(contour(size));
            shape.predContours.push_back(contour(size));
            shape.cornerVectors.push_back(contour(size));
            shape.edgeNormals.push_back(contour(size));
        }
        shape.contours = shape.curContours;
        shape.sweptRadius = 10.0f;
        shape.bounce = 0.5f;
        layOutQuads(shape);  // as every prediction does
        return shape;
    }
};

}  // namespace

TEST(ContactKernel, FourLaneTestMatchesTheScalarAlgorithmBitForBit) {
    RandomOutlines outlines;
    Body bodyS;
    int contactsSeen = 0;
    for (int round = 0; round < 3000; ++round) {
        Shape s = outlines.shape(), t = outlines.shape();
        bodyS.x = outlines.coordinate();
        bodyS.y = outlines.coordinate();
        bodyS.px = outlines.coordinate();
        bodyS.py = outlines.coordinate();
        float turn = outlines.coordinate();
        bodyS.cosTurn = std::cos(turn);
        bodyS.sinTurn = std::sin(turn);
        ContactSum expected = referenceTestShapes(s, bodyS, t);
        ContactSum actual = testShapes(s, bodyS, t);
        ASSERT_TRUE(sameBits(expected, actual))
            << "round " << round << ": " << expected.count << " contacts expected, " << actual.count << " found";
        contactsSeen += expected.count;
    }
    EXPECT_GT(contactsSeen, 1000) << "the random outlines must cross often for the comparison to mean much";
}

TEST(ContactKernel, BothWaysOfAPairMatchTheScalarAlgorithm) {
    // testShapePair tests both ways at once, and two outlines of four points
    // (one vertex quad, one full edge quad) take a shorter way of their own.
    RandomOutlines outlines;
    Body bodyS, bodyT;
    int contactsSeen = 0;
    for (int round = 0; round < 6000; ++round) {
        bool boxes = round % 3 != 0;
        Shape s = outlines.shape(boxes), t = outlines.shape(boxes && round % 3 == 1);
        for (Body* body : {&bodyS, &bodyT}) {
            body->x = outlines.coordinate();
            body->y = outlines.coordinate();
            body->px = outlines.coordinate();
            body->py = outlines.coordinate();
            float turn = outlines.coordinate();
            body->cosTurn = std::cos(turn);
            body->sinTurn = std::sin(turn);
        }
        ContactSum partST, partTS;
        testShapePair(s, bodyS, t, bodyT, partST, partTS);
        ContactSum expectedST = referenceTestShapes(s, bodyS, t), expectedTS = referenceTestShapes(t, bodyT, s);
        ASSERT_TRUE(sameBits(expectedST, partST)) << "round " << round << ": S's edges";
        ASSERT_TRUE(sameBits(expectedTS, partTS)) << "round " << round << ": T's edges";
        contactsSeen += expectedST.count + expectedTS.count;
    }
    EXPECT_GT(contactsSeen, 2000);
}

TEST(ContactKernel, BoxRejectionPassesOverNoCrossing) {
    // The test first passes over the edges of S that no path of T can cross,
    // judged by the bounds of T's paths. Here every vertex of T starts and
    // ends within a hair of the limits the kernel tests, near one or a few
    // edges of a real polygon (normals from a prediction): starts around
    // 0.02 inside an edge's line, ends around the line itself, so that whole
    // shapes sit on either side of the rejection's thresholds. Some rounds
    // put the starts exactly on the float tolerance or the next float below.
    resetProcessState();
    std::mt19937 random(7);
    auto uniform = [&](float low, float high) { return std::uniform_real_distribution<float>(low, high)(random); };
    int contactsSeen = 0, emptyRounds = 0;
    for (int round = 0; round < 4000; ++round) {
        bool onTolerance = round % 4 == 0;
        // S: an axis-aligned square whose top edge is y = 0 (every start exact), or a
        // regular polygon anywhere, counter-clockwise, still.
        size_t sides = onTolerance ? 4 : 3 + random() % 14;
        float radius = onTolerance ? 8.0f : uniform(0.5f, 60.0f);
        Point centre = onTolerance ? Point{} : Point{uniform(-500, 500), uniform(-500, 500)};
        float phase = onTolerance ? 0.7853982f : uniform(0, 6.3f);
        auto body = makeBox(2, 2, centre.x, centre.y);
        Shape& s = body->shapes[0];
        Contour polygon;
        for (size_t k = 0; k < sides; ++k) {
            float angle = phase + 6.2831853f * static_cast<float>(k) / static_cast<float>(sides);
            polygon.push_back({centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle)});
        }
        if (onTolerance) polygon = {{-4, -8}, {4, -8}, {4, 0}, {-4, 0}};
        s.contours = s.curContours = s.predContours = s.cornerVectors = s.edgeNormals = {polygon};
        predictBody(*body, dtOne);
        s.sweptRadius = 1e6f;

        // T: vertices near a few of S's edges, facing into S. Its swept
        // circle is the smaller, so that even the square's test rejects.
        Shape t;
        t.sweptRadius = 1e5f;
        t.bounce = 0.5f;
        size_t nearEdges = 1 + random() % 2, first = onTolerance ? 2 : random() % sides;
        for (size_t c = 0, contours = 1 + random() % 2; c < contours; ++c) {
            Contour current, predicted, corners;
            for (size_t k = 0, points = 1 + random() % 9; k < points; ++k) {
                size_t j = (first + random() % nearEdges) % sides;
                Point e0 = s.predContours[0][j], e1 = s.predContours[0][(j + 1) % sides], n = s.edgeNormals[0][j];
                float along = uniform(-0.2f, 1.2f), start = uniform(-0.024f, -0.016f), end = uniform(-0.01f, 0.004f);
                Point onLine{e0.x + along * (e1.x - e0.x), e0.y + along * (e1.y - e0.y)};
                Point here{onLine.x + start * n.x, onLine.y + start * n.y};
                if (onTolerance) {  // the top edge, y = 0, normal (0, 1): the start is y itself
                    float depth = random() % 2 ? -0x1.47ae14p-6f : std::nextafter(-0x1.47ae14p-6f, -1.0f);
                    here = {uniform(-3.0f, 3.0f), depth};
                    end = uniform(-0.001f, 0.001f);
                    n = {0.0f, 1.0f};
                    onLine = {here.x, 0.0f};
                }
                current.push_back(here);
                predicted.push_back({onLine.x + end * n.x, onLine.y + end * n.y});
                corners.push_back({-n.x, -n.y});
            }
            t.curContours.push_back(current);
            t.predContours.push_back(predicted);
            t.cornerVectors.push_back(corners);
            t.edgeNormals.push_back(corners);
        }
        t.contours = t.curContours;
        layOutQuads(t);

        ContactSum expected = referenceTestShapes(s, *body, t);
        ContactSum actual = testShapes(s, *body, t);
        ASSERT_TRUE(sameBits(expected, actual))
            << "round " << round << ": " << expected.count << " contacts expected, " << actual.count << " found";
        contactsSeen += expected.count;
        emptyRounds += expected.count == 0;
    }
    // Both sides of the thresholds must be met often.
    EXPECT_GT(contactsSeen, 2000);
    EXPECT_GT(emptyRounds, 500);
}

TEST(ContactKernel, StartToleranceIsTheDoubleComparisonOnFloats) {
    // A bolted floor whose top edge is y = 0 and a box whose bottom starts at
    // y = start and moves down across it. The path may start at most 0.02
    // below the line: -0.02f is the float just above -0.02 and counts; the
    // next float down is below -0.02 and must not. Body origins at 0 keep
    // every position exact.
    resetProcessState();
    World& world = addWorld();
    Body& floor = *addModel(world, makeBox(20, 2, 0, 0)).bodies[0];
    makeBolted(floor);
    floor.shapes[0].curContours = {{{-10, -2}, {10, -2}, {10, 0}, {-10, 0}}};
    predictBody(floor, dtOne);
    for (float start : {-0.02f, std::nextafter(-0.02f, -1.0f)}) {
        auto box = makeBox(2, 2, 0, 0);
        box->shapes[0].curContours = {{{-1, start}, {1, start}, {1, start + 2}, {-1, start + 2}}};
        box->vy = -1.0f;
        predictBody(*box, dtOne);
        int crossings = testShapes(floor.shapes[0], floor, box->shapes[0]).count;
        if (static_cast<double>(start) < -0.02)
            EXPECT_EQ(crossings, 0) << "start " << start;
        else
            EXPECT_EQ(crossings, 2) << "start " << start;  // both bottom corners
    }
}

TEST(ContactKernel, PredictedEdgeDataMatchesTheScalarFormulas) {
    // Contours of 1 to 9 points (four-lane blocks and tails, wrap-around at
    // both ends), a repeated point (zero-length edge keeps its raw normal),
    // and a reversed contour.
    resetProcessState();
    RandomOutlines outlines;
    for (size_t size = 1; size <= 9; ++size) {
        for (bool reversed : {false, true}) {
            auto body = makeBox(2, 2, 0, 0);
            Shape& shape = body->shapes[0];
            Contour points = outlines.contour(size);
            for (Point& p : points)
                if (std::isnan(p.x) || std::isnan(p.y)) p = {0.25f, -0.5f};
            if (size > 2) points[2] = points[1];
            shape.contours = shape.curContours = shape.predContours = shape.cornerVectors =
                shape.edgeNormals = {points};
            shape.reverseNormals = {static_cast<uint8_t>(reversed)};
            predictBody(*body, dtOne);  // no motion: the predicted outline is the current one
            for (size_t j = 0; j < size; ++j) {
                Point here = points[j], next = points[(j + 1) % size], previous = points[(j + size - 1) % size];
                Point corner{(here.x - next.x) + (here.x - previous.x), (here.y - next.y) + (here.y - previous.y)};
                Point normal{here.y - next.y, -(here.x - next.x)};
                float length = std::sqrt(normal.x * normal.x + normal.y * normal.y);
                if (length != 0.0f) normal = {normal.x / length, normal.y / length};
                if (reversed) normal = {-normal.x, -normal.y};
                EXPECT_EQ(std::memcmp(&shape.cornerVectors[0][j], &corner, sizeof corner), 0) << size << " " << j;
                EXPECT_EQ(std::memcmp(&shape.edgeNormals[0][j], &normal, sizeof normal), 0) << size << " " << j;
            }
        }
    }
}

TEST(ContactKernel, PredictionLaysOutTheQuadsAndWidensTheBoxPointByPoint) {
    // The prediction writes the quads and the model's box four points at a
    // time. Its quads must be layOutQuads's of the contour sets it wrote, and
    // its box that of widening by each current and predicted point in turn,
    // including which zero wins when +0 and -0 tie. Edges laid out later
    // must match those laid out at once.
    resetProcessState();
    RandomOutlines outlines;
    std::uniform_real_distribution<float> spread(-3.0f, 3.0f);
    for (int round = 0; round < 400; ++round) {
        auto body = makeBox(2, 2, 0, 0);
        Shape& shape = body->shapes[0];
        shape.contours.clear();
        shape.reverseNormals.clear();
        for (size_t i = 0, count = 1 + outlines.random() % 3; i < count; ++i) {
            Contour points = outlines.contour(1 + outlines.random() % 13);
            for (Point& p : points) {  // signed zeros often, and box ends at zero where they tie
                if (round % 2 == 0) p.x = std::fabs(p.x);
                if (outlines.random() % 4 == 0) p.x = (outlines.random() % 2) ? 0.0f : -0.0f;
            }
            shape.contours.push_back(points);
            shape.reverseNormals.push_back(static_cast<uint8_t>(outlines.random() % 2));
        }
        shape.curContours = shape.predContours = shape.cornerVectors = shape.edgeNormals = shape.contours;
        bool still = round % 3 == 0;  // a still body predicts every point onto itself
        body->vx = still ? 0.0f : spread(outlines.random);
        body->vy = still ? 0.0f : spread(outlines.random);
        body->omega = still ? 0.0f : spread(outlines.random);
        Model model;
        model.minX = model.minY = 9.0e30f;
        model.maxX = model.maxY = -9.0e30f;
        body->model = &model;
        predictBody(*body, dtOne);

        Shape laidOut = shape;
        layOutQuads(laidOut);
        ASSERT_EQ(shape.edgeQuads.size(), laidOut.edgeQuads.size());
        ASSERT_EQ(shape.vertexQuads.size(), laidOut.vertexQuads.size());
        for (size_t q = 0; q < shape.edgeQuads.size(); ++q) {
            EXPECT_EQ(std::memcmp(&shape.edgeQuads[q], &laidOut.edgeQuads[q], sizeof(EdgeQuad)), 0)
                << round << " " << q;
            EXPECT_EQ(std::memcmp(&shape.vertexQuads[q], &laidOut.vertexQuads[q], sizeof(VertexQuad)), 0)
                << round << " " << q;
        }
        // A prediction that leaves the edges to the first reader must give
        // the same bits once they are laid out, whatever was there before.
        Shape eager = shape;
        for (ContourSet* set : {&shape.cornerVectors, &shape.edgeNormals})
            for (Contour& contour : *set) std::fill(contour.begin(), contour.end(), Point{NAN, NAN});
        for (EdgeQuad& quad : shape.edgeQuads) {  // field by field: the padding stays as it was
            for (float* lanes : {quad.e0x, quad.e0y, quad.e1x, quad.e1y, quad.nx, quad.ny})
                std::memset(lanes, 0xff, 4 * sizeof(float));
            quad.contour = quad.firstEdge = quad.laneMask = quad.boundedMask = ~0u;
        }
        for (VertexQuad& quad : shape.vertexQuads)
            for (float* lanes : {quad.cornerX, quad.cornerY}) std::memset(lanes, 0xff, 4 * sizeof(float));
        body->edgeState = edgesLaidOut;  // not read since the last prediction
        predictBody(*body, dtOne);
        ASSERT_EQ(body->edgeState, edgesPending);
        layOutPendingEdges(*body);
        for (size_t q = 0; q < shape.edgeQuads.size(); ++q) {
            EXPECT_EQ(std::memcmp(&shape.edgeQuads[q], &eager.edgeQuads[q], sizeof(EdgeQuad)), 0) << round << " " << q;
            EXPECT_EQ(std::memcmp(&shape.vertexQuads[q], &eager.vertexQuads[q], sizeof(VertexQuad)), 0)
                << round << " " << q;
        }
        for (size_t i = 0; i < shape.contours.size(); ++i) {
            size_t bytes = shape.contours[i].size() * sizeof(Point);
            EXPECT_EQ(std::memcmp(shape.cornerVectors[i].data(), eager.cornerVectors[i].data(), bytes), 0) << round;
            EXPECT_EQ(std::memcmp(shape.edgeNormals[i].data(), eager.edgeNormals[i].data(), bytes), 0) << round;
        }
        Model pointByPoint;
        pointByPoint.minX = pointByPoint.minY = 9.0e30f;
        pointByPoint.maxX = pointByPoint.maxY = -9.0e30f;
        for (size_t i = 0; i < shape.contours.size(); ++i)
            for (size_t j = 0; j < shape.contours[i].size(); ++j)
                for (Point p : {shape.curContours[i][j], shape.predContours[i][j]}) {
                    if (p.x < pointByPoint.minX) pointByPoint.minX = p.x;
                    if (p.y < pointByPoint.minY) pointByPoint.minY = p.y;
                    if (p.x > pointByPoint.maxX) pointByPoint.maxX = p.x;
                    if (p.y > pointByPoint.maxY) pointByPoint.maxY = p.y;
                }
        EXPECT_EQ(std::memcmp(&model.minX, &pointByPoint.minX, 4 * sizeof(float)), 0) << "round " << round;
    }
}

#include "sim/contact_kernel.h"

#include <bit>
#include <cassert>

#include "sim/lanes.h"
#include "sim/predicted_motion.h"

namespace {

// The start of a vertex path may lie up to 0.02 inside an edge's line. The
// test is made in double precision on a float: (double)f < -0.02 holds
// exactly when f < startTolerance, the smallest float above -0.02, so the
// lanes can compare floats and decide the same.
constexpr float startTolerance = -0x1.47ae14p-6f;

// Vertex paths in lanes: each starts at q0 (the current vertex carried
// along with S's body) and ends at q1 (the predicted vertex), in S's
// predicted frame; corner is the vertex's corner vector, path = q0 - q1.
struct PathLanes {
    Float4 q0x, q0y, q1x, q1y, cornerX, cornerY, pathX, pathY;
};

// One path in every lane.
PathLanes pathInEveryLane(Point q0, Point q1, Point corner) {
    return {splat(q0.x),     splat(q0.y),     splat(q1.x),        splat(q1.y),
            splat(corner.x), splat(corner.y), splat(q0.x - q1.x), splat(q0.y - q1.y)};
}

// The paths of four vertices of T, one per lane.
[[gnu::always_inline]] inline PathLanes pathsOfFour(const VertexQuad& vertices, const MotionLanes& motionS) {
    PathLanes paths;
    motionS.apply(loadLanes(vertices.curX), loadLanes(vertices.curY), paths.q0x, paths.q0y);
    paths.q1x = loadLanes(vertices.predX);
    paths.q1y = loadLanes(vertices.predY);
    paths.cornerX = loadLanes(vertices.cornerX);
    paths.cornerY = loadLanes(vertices.cornerY);
    paths.pathX = paths.q0x - paths.q1x;
    paths.pathY = paths.q0y - paths.q1y;
    return paths;
}

// The values of an edge quad the crossing test reads: lane k holds edge k
// (eachEdge), or every lane holds the one edge `Edge`.
constexpr int eachEdge = -1;

template <int Edge>
Float4 edgeLanes(const float (&values)[4]) {
    if constexpr (Edge == eachEdge)
        return loadLanes(values);
    else
        return broadcastLane<Edge>(loadLanes(values));
}

// Whether the path in lane k crosses the edge in lane k from outside: the
// vertex must not point the way the edge faces, start outside the edge's
// line (or within 0.02 inside it) and end on or inside it, and the edge's
// ends must lie on both sides of the path's line. Bit k of the result is
// set for a crossing in lane k, among the lanes of `lanes`. Each lane makes
// the float operations of the scalar reading in its order, so the verdicts
// are the same; only the order of the independent tests differs, which no
// result sees. Most pairs fail the first three tests, so the side test
// (and the edge's far ends) waits for one that passes them.
template <int Edge>
[[gnu::always_inline]] inline uint32_t crossingLanes(const EdgeQuad& quad, const PathLanes& path, uint32_t lanes) {
    Float4 nx = edgeLanes<Edge>(quad.nx), ny = edgeLanes<Edge>(quad.ny);
    Float4 e0x = edgeLanes<Edge>(quad.e0x), e0y = edgeLanes<Edge>(quad.e0y);
    Float4 zero = splat(0.0f);
    Mask4 ok = notGreater(path.cornerX * nx + path.cornerY * ny, zero);
    Float4 fromStartX = path.q0x - e0x, fromStartY = path.q0y - e0y;
    ok = ok & notLess(nx * fromStartX + ny * fromStartY, splat(startTolerance));
    ok = ok & notGreater(nx * (path.q1x - e0x) + ny * (path.q1y - e0y), zero);
    if ((bitsOf(ok) & lanes) == 0) return 0;

    Float4 e1x = edgeLanes<Edge>(quad.e1x), e1y = edgeLanes<Edge>(quad.e1y);
    Float4 side0 = fromStartY * path.pathX - fromStartX * path.pathY;
    Float4 side1 = (path.q0y - e1y) * path.pathX - (path.q0x - e1x) * path.pathY;
    ok = ok & ((side0 > zero) ^ (side1 > zero));
    return bitsOf(ok) & lanes;
}

// The lanes whose path passes two of crossingLanes's tests against edge
// `Edge` of a quad (in every lane): the start (outside the edge's line, or
// within 0.02 inside it) and the end (on or inside it), with the same float
// operations lane for lane. A crossing passes both.
//
// Both tests are made on the negated sums, e0 - q for q - e0, which the
// two-operand SSE forms make without copying the paths: in round to
// nearest, y - x is -(x - y), n·(-d) is -(n·d) and (-a) + (-b) is -(a + b),
// every one exact (and the same under overflow and flush to zero) but for
// the sign of an exact zero, which no comparison sees. So !(start < tol)
// is !(-start > -tol), and !(end > 0) is !(-end < 0), NaN included.
template <int Edge>
[[gnu::always_inline]] inline Mask4 nearEdge(Float4 q0x, Float4 q0y, Float4 q1x, Float4 q1y, const EdgeQuad& quad) {
    Float4 nx = broadcastLoad<Edge>(quad.nx), ny = broadcastLoad<Edge>(quad.ny);
    Float4 e0x = broadcastLoad<Edge>(quad.e0x), e0y = broadcastLoad<Edge>(quad.e0y);
    Mask4 ok = notGreater(nx * (e0x - q0x) + ny * (e0y - q0y), splat(-startTolerance));
    return ok & notLess(nx * (e0x - q1x) + ny * (e0y - q1y), splat(0.0f));
}

// Whether any of four paths may cross any edge of a full edge quad, by
// nearEdge for the four edges, joined before one branch: a quad that fails
// them everywhere has no crossing. They are the tests that decide: bodies
// resting on or overlapping each other have paths far inside or outside
// most edge lines, and two or three quads in a hundred pass them (the
// ragdoll storm); the corner test as well halves that but costs a third
// test on every quad, which the storm paid for with 8 % more instructions.
[[gnu::always_inline]] inline bool mayCrossQuad(Float4 q0x, Float4 q0y, Float4 q1x, Float4 q1y, uint32_t pathMask,
                                                const EdgeQuad& quad) {
    Mask4 any = nearEdge<0>(q0x, q0y, q1x, q1y, quad);
    any = any | nearEdge<1>(q0x, q0y, q1x, q1y, quad);
    any = any | nearEdge<2>(q0x, q0y, q1x, q1y, quad);
    any = any | nearEdge<3>(q0x, q0y, q1x, q1y, quad);
    return (bitsOf(any) & pathMask) != 0;
}

// Whether some path in pathMask passes nearEdge against edge `Edge`.
template <int Edge>
[[gnu::always_inline]] inline bool edgeMayBeCrossed(Float4 q0x, Float4 q0y, Float4 q1x, Float4 q1y, uint32_t pathMask,
                                                    const EdgeQuad& quad) {
    return (bitsOf(nearEdge<Edge>(q0x, q0y, q1x, q1y, quad)) & pathMask) != 0;
}

// The edges among `edges` (a bit each) that some of four paths may cross.
[[gnu::always_inline]] inline uint32_t edgesMayCross(Float4 q0x, Float4 q0y, Float4 q1x, Float4 q1y, uint32_t pathMask,
                                                     const EdgeQuad& quad, uint32_t edges) {
    uint32_t may = 0;
    if ((edges & 1u) && edgeMayBeCrossed<0>(q0x, q0y, q1x, q1y, pathMask, quad)) may |= 1u;
    if ((edges & 2u) && edgeMayBeCrossed<1>(q0x, q0y, q1x, q1y, pathMask, quad)) may |= 2u;
    if ((edges & 4u) && edgeMayBeCrossed<2>(q0x, q0y, q1x, q1y, pathMask, quad)) may |= 4u;
    if ((edges & 8u) && edgeMayBeCrossed<3>(q0x, q0y, q1x, q1y, pathMask, quad)) may |= 8u;
    return may;
}

// Whether any of the four paths crosses any edge of S whose bit is set in
// `live` (four bits per quad; null: every edge). Contacts are rare, so this
// asks first, in any order; the lanes are the paths, each edge in turn in
// all of them. A full quad is first asked mayCrossQuad, unless the caller
// already has (`asked`); a quad of two or three live edges (the box
// rejection leaves many) is first asked which of them may be crossed.
template <bool asked = false>
[[gnu::always_inline]] inline bool anyCrossing(const PathLanes& paths, uint32_t pathMask, const EdgeQuad* quads,
                                               size_t quadCount, const uint8_t* live) {
    for (size_t k = 0; k < quadCount; ++k) {
        const EdgeQuad& quad = quads[k];
        uint32_t edges = live != nullptr ? live[k] : quad.laneMask;
        if (!asked && edges == 0xF && !mayCrossQuad(paths.q0x, paths.q0y, paths.q1x, paths.q1y, pathMask, quad))
            continue;
        if (!asked && edges != 0xF && (edges & (edges - 1)) != 0)
            edges = edgesMayCross(paths.q0x, paths.q0y, paths.q1x, paths.q1y, pathMask, quad, edges);
        if ((edges & 1u) && crossingLanes<0>(quad, paths, pathMask)) return true;
        if ((edges & 2u) && crossingLanes<1>(quad, paths, pathMask)) return true;
        if ((edges & 4u) && crossingLanes<2>(quad, paths, pathMask)) return true;
        if ((edges & 8u) && crossingLanes<3>(quad, paths, pathMask)) return true;
    }
    return false;
}

// Adds the contact of path q0 -> q1 with edge e0 -> e1 (unit normal n): the
// point where the path's line crosses the edge, weighted by the product of
// the bounces.
void recordContact(ContactSum& sum, Point q0, Point q1, Point e0, Point e1, Point n, const Shape& s, const Shape& t) {
    float along = ((e0.y - q0.y) * (q1.x - q0.x) - (e0.x - q0.x) * (q1.y - q0.y)) /
                  ((q1.y - q0.y) * (e1.x - e0.x) - (q1.x - q0.x) * (e1.y - e0.y));
    float contactX = e0.x + along * (e1.x - e0.x);
    float contactY = e0.y + along * (e1.y - e0.y);
    float weight = s.bounce * t.bounce;
    sum.sumX += contactX * weight;
    sum.sumY += contactY * weight;
    sum.normalX += n.x * weight;
    sum.normalY += n.y * weight;
    sum.sumKinetic += s.kineticFriction * t.kineticFriction;
    sum.sumStatic += s.staticFriction * t.staticFriction;
    sum.sumWeight += weight;
    sum.count += 1;
}

// The contacts of four paths, vertex by vertex and edge by edge, in the
// order in which they are added up; the lanes are edges, each path in turn
// in all of them.
void recordCrossings(ContactSum& sum, const PathLanes& paths, const VertexQuad& vertices, const Shape& s,
                     const Shape& t) {
    alignas(16) float q0x[4], q0y[4];
    storeLanes(q0x, paths.q0x);
    storeLanes(q0y, paths.q0y);
    const EdgeQuad* edgesEnd = s.edgeQuads.data() + s.edgeQuads.size();
    for (int lane = 0; lane < 4; ++lane) {
        if (!(vertices.laneMask & (1u << lane))) continue;
        Point q0{q0x[lane], q0y[lane]};
        Point q1{vertices.predX[lane], vertices.predY[lane]};
        PathLanes path = pathInEveryLane(q0, q1, {vertices.cornerX[lane], vertices.cornerY[lane]});
        for (const EdgeQuad* quad = s.edgeQuads.data(); quad < edgesEnd; ++quad) {
            for (uint32_t crossed = crossingLanes<eachEdge>(*quad, path, quad->laneMask); crossed != 0;
                 crossed &= crossed - 1) {
                int edge = std::countr_zero(crossed);
                recordContact(sum, q0, q1, {quad->e0x[edge], quad->e0y[edge]}, {quad->e1x[edge], quad->e1y[edge]},
                              {quad->nx[edge], quad->ny[edge]}, s, t);
            }
        }
    }
}

// Where the paths of some vertices of T can lie, in S's predicted frame:
// their starts q0 and their ends q1 within these bounds, each value in
// every lane.
struct PathBounds {
    Float4 q0MinX, q0MinY, q0MaxX, q0MaxY, q1MinX, q1MinY, q1MaxX, q1MaxY;
};

// The bounds of the paths of the points `t` bounds, moved by S's body as
// pathsOfFour moves them; false when they cannot be had exactly (see
// edgesNoPathCrosses). The start, cos·u - sin·v + px and sin·u + cos·v + py
// with u = x - S.x and v = y - S.y, is monotonic in the current x and in the
// current y, each way by the sign of its factor, so its extremes over the
// points lie at corners of their bounds, picked by those signs. Lanes:
// largest x, smallest x, largest y, smallest y.
bool pathBoundsOf(const Body& bodyS, const PointBounds& t, PathBounds& bounds) {
    if (!t.exact) return false;
    float cosTurn = bodyS.cosTurn, sinTurn = bodyS.sinTurn;
    Float4 position = lanes(bodyS.x, bodyS.y, bodyS.px, bodyS.py);
    Mask4 bounded = absolute(position) < splat(1e18f);
    Mask4 unitish = absolute(lanes(cosTurn, sinTurn, cosTurn, sinTurn)) <= splat(2.0f);
    if (bitsOf(bounded & unitish) != 0xF) return false;

    // a - b is a + (-b) exactly, and (-s)·v is -(s·v): lanes 0 and 1 are
    // the start's cos·u - sin·v, lanes 2 and 3 its sin·u + cos·v.
    Float4 factorU = lanes(cosTurn, cosTurn, sinTurn, sinTurn);
    Float4 factorV = lanes(-sinTurn, -sinTurn, cosTurn, cosTurn);
    Mask4 wantLargest = maskOfBits(0b0101);
    Float4 lower = loadLanes(t.lower), upper = loadLanes(t.upper);
    Float4 zero = splat(0.0f);
    Mask4 largestU = (factorU < zero) ^ wantLargest;
    Mask4 largestV = (factorV < zero) ^ wantLargest;
    Float4 currentX = select(largestU, broadcastLane<0>(upper), broadcastLane<0>(lower));
    Float4 currentY = select(largestV, broadcastLane<1>(upper), broadcastLane<1>(lower));
    Float4 u = currentX - broadcastLane<0>(position), v = currentY - broadcastLane<1>(position);
    Float4 target = lanes(bodyS.px, bodyS.px, bodyS.py, bodyS.py);
    Float4 start = factorU * u + factorV * v + target;
    bounds.q0MaxX = broadcastLane<0>(start);
    bounds.q0MinX = broadcastLane<1>(start);
    bounds.q0MaxY = broadcastLane<2>(start);
    bounds.q0MinY = broadcastLane<3>(start);
    bounds.q1MinX = broadcastLane<2>(lower);
    bounds.q1MinY = broadcastLane<3>(lower);
    bounds.q1MaxX = broadcastLane<2>(upper);
    bounds.q1MaxY = broadcastLane<3>(upper);
    return true;
}

// The edges of a quad that no path within the bounds can cross: every path
// starts more than 0.02 inside the edge's line, or every path ends outside
// it.
//
// Why this is exact, float for float: the kernel's start of a path,
// n.x·(q0.x - e0.x) + n.y·(q0.y - e0.y), is made of correctly rounded
// subtractions, products and a sum, each monotonic in its operands (flush
// to zero keeps them so). As q0.x grows it therefore never falls when
// n.x >= 0 and never rises when n.x <= 0, and likewise in q0.y; so no path
// has a larger start than the same expression at the corner of the bounds
// picked by the signs of n, and when that is below the tolerance, every
// path's is. The end is bounded from below at the opposite corner of the
// ends' bounds; pathBoundsOf finds the starts' bounds by the same argument.
// Monotonicity needs no NaN and no overflow: the points' bounds and S's
// position are finite and below 1e18, its cosine and sine at most 2, and
// the edge's start and normal (boundedMask) below 1e18, so every value
// stays below 1e37. Only bounded edges are passed over.
uint32_t edgesNoPathCrosses(const EdgeQuad& quad, const PathBounds& bounds) {
    Float4 nx = loadLanes(quad.nx), ny = loadLanes(quad.ny);
    Float4 e0x = loadLanes(quad.e0x), e0y = loadLanes(quad.e0y);
    Float4 zero = splat(0.0f);
    Mask4 xRises = nx >= zero, yRises = ny >= zero;
    Float4 startX = select(xRises, bounds.q0MaxX, bounds.q0MinX);
    Float4 startY = select(yRises, bounds.q0MaxY, bounds.q0MinY);
    Float4 largestStart = nx * (startX - e0x) + ny * (startY - e0y);
    Float4 endX = select(xRises, bounds.q1MinX, bounds.q1MaxX);
    Float4 endY = select(yRises, bounds.q1MinY, bounds.q1MaxY);
    Float4 smallestEnd = nx * (endX - e0x) + ny * (endY - e0y);
    Mask4 uncrossed = (largestStart < splat(startTolerance)) | (smallestEnd > zero);
    return bitsOf(uncrossed) & quad.boundedMask;
}

// Shapes with more edge quads than this are tested without the box
// rejection (no shape the reader makes comes near).
constexpr size_t mostQuadsRejected = 64;

// Whether the box rejection is worth its cost: for S with more than four
// edges, or much larger than T (a floor or a wall, most of whose edges T's
// bounds miss). Between two small shapes of four edges it costs about what
// it saves.
bool rejectionPays(const Shape& s, const Shape& t) {
    return (s.edgeQuads.size() > 1 || s.sweptRadius > 2.0f * t.sweptRadius) && s.edgeQuads.size() <= mostQuadsRejected;
}

// The vertex quads of T against S's edges whose bit is set in `live` (null:
// every edge). Inline, so that each caller gets the loop made for its
// `live`.
[[gnu::always_inline]] inline ContactSum testVertexQuads(const Shape& s, const Body& bodyS, const Shape& t,
                                                         const uint8_t* live) {
    ContactSum sum;
    MotionLanes motionS(PredictedMotion::of(bodyS));
    for (const VertexQuad& vertices : t.vertexQuads) {
        PathLanes paths = pathsOfFour(vertices, motionS);
        if (anyCrossing(paths, vertices.laneMask, s.edgeQuads.data(), s.edgeQuads.size(), live))
            recordCrossings(sum, paths, vertices, s, t);
    }
    return sum;
}

// testShapes for S with many edges or a large S: first the edges that some
// path of T may cross, by the bounds of all of T's paths; when there are
// none, T's vertices are not visited. Out of line, so that the plain test
// between two small shapes keeps its registers.
[[gnu::noinline]] ContactSum testShapesRejecting(const Shape& s, const Body& bodyS, const Shape& t,
                                                 const PathBounds& bounds) {
    uint8_t liveEdges[mostQuadsRejected];
    uint32_t anyLive = 0;
    for (size_t k = 0; k < s.edgeQuads.size(); ++k) {
        uint32_t live = s.edgeQuads[k].laneMask & ~edgesNoPathCrosses(s.edgeQuads[k], bounds);
        liveEdges[k] = static_cast<uint8_t>(live);
        anyLive |= live;
    }
    if (anyLive == 0) return {};
    return testVertexQuads(s, bodyS, t, liveEdges);
}

// testShapes without the box rejection. Out of line, so that the test of two
// boxes keeps its registers.
[[gnu::noinline]] ContactSum testShapesPlain(const Shape& s, const Body& bodyS, const Shape& t) {
    return testVertexQuads(s, bodyS, t, nullptr);
}

// One vertex quad of T against one full edge quad of S (two boxes), the
// common case, in two halves: first whether any path may cross any edge
// (mayCrossQuad), with nothing kept for later, ...
[[gnu::always_inline]] inline bool mayCrossOneQuad(const VertexQuad& vertices, const Body& bodyS,
                                                   const EdgeQuad& quad) {
    Float4 q0x, q0y;
    MotionLanes(PredictedMotion::of(bodyS)).apply(loadLanes(vertices.curX), loadLanes(vertices.curY), q0x, q0y);
    return mayCrossQuad(q0x, q0y, loadLanes(vertices.predX), loadLanes(vertices.predY), vertices.laneMask, quad);
}

// ... then, for the rare quad that may cross, the whole test as testVertexQuads
// makes it. Out of line, so that the first half keeps its registers.
[[gnu::noinline]] void addOneQuadCrossings(ContactSum& sum, const Shape& s, const Body& bodyS, const Shape& t) {
    const VertexQuad& vertices = t.vertexQuads[0];
    PathLanes paths = pathsOfFour(vertices, MotionLanes(PredictedMotion::of(bodyS)));
    if (anyCrossing<true>(paths, vertices.laneMask, s.edgeQuads.data(), 1, nullptr))
        recordCrossings(sum, paths, vertices, s, t);
}

// testShapes for shapes whose swept circles are known to meet, into `sum`
// (which the quads of two boxes can write in place).
[[gnu::always_inline]] inline void testMeetingShapes(const Shape& s, const Body& bodyS, const Shape& t,
                                                     ContactSum& sum) {
    // The quads are laid out by every prediction; a shape tested before it
    // was ever predicted would be read as having no edges.
    assert(s.predContours.empty() || !s.edgeQuads.empty());
    // One quad of vertices against one of four edges (two boxes): the
    // shortest way, which costs less than the box rejection would even for
    // a large S.
    if (s.edgeQuads.size() == 1 && t.vertexQuads.size() == 1 && s.edgeQuads[0].laneMask == 0xF) {
        sum = {};
        if (mayCrossOneQuad(t.vertexQuads[0], bodyS, s.edgeQuads[0])) addOneQuadCrossings(sum, s, bodyS, t);
        return;
    }
    PathBounds bounds;
    if (rejectionPays(s, t) && pathBoundsOf(bodyS, t.bounds, bounds))
        sum = testShapesRejecting(s, bodyS, t, bounds);
    else
        sum = testShapesPlain(s, bodyS, t);
}

}  // namespace

ContactSum testShapes(const Shape& s, const Body& bodyS, const Shape& t) {
    ContactSum sum;
    if (sweptCirclesMeet(s, t)) testMeetingShapes(s, bodyS, t, sum);
    return sum;
}

void testShapePair(const Shape& s, const Body& bodyS, const Shape& t, const Body& bodyT, ContactSum& partST,
                   ContactSum& partTS) {
    assert(sweptCirclesMeet(s, t));
    testMeetingShapes(s, bodyS, t, partST);
    testMeetingShapes(t, bodyT, s, partTS);
}

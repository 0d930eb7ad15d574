#include "sim/contacts.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cassert>
#include <cmath>

#include "sim/body_frame.h"
#include "sim/globals.h"
#include "sim/lanes.h"
#include "sim/motion.h"

uint64_t pairTestCount = 0;

namespace {

void add(ContactSum& total, const ContactSum& part, float normalSign) {
    total.count += part.count;
    total.sumX += part.sumX;
    total.sumY += part.sumY;
    total.sumKinetic += part.sumKinetic;
    total.sumStatic += part.sumStatic;
    total.sumWeight += part.sumWeight;
    total.normalX += normalSign * part.normalX;
    total.normalY += normalSign * part.normalY;
}

// The start of a vertex path may lie up to 0.02 inside an edge's line. The
// test is made in double precision on a float: (double)f < -0.02 holds
// exactly when f < startTolerance, the smallest float above -0.02, so the
// four-lane kernel below can compare floats and decide the same.
constexpr float startTolerance = -0x1.47ae14p-6f;

// One vertex path, each value in all four lanes.
struct PathLanes {
    __m128 q0x, q0y, q1x, q1y, cornerX, cornerY, pathX, pathY;

    PathLanes(Point q0, Point q1, Point corner)
        : q0x(_mm_set1_ps(q0.x)), q0y(_mm_set1_ps(q0.y)), q1x(_mm_set1_ps(q1.x)), q1y(_mm_set1_ps(q1.y)),
          cornerX(_mm_set1_ps(corner.x)), cornerY(_mm_set1_ps(corner.y)), pathX(_mm_set1_ps(q0.x - q1.x)),
          pathY(_mm_set1_ps(q0.y - q1.y)) {}
};

// Whether the vertex path q0 -> q1 crosses edge e0 -> e1 (unit normal n)
// from outside, for the four edges of a quad at once: the vertex must not
// point the way the edge faces, start outside (or within 0.02 inside) and
// end on or inside the edge's line, and the edge's ends must lie on both
// sides of the path's line. Bit k of the result is set when edge k of the
// four is crossed. Every lane makes the float operations of the scalar
// reading in its order, so the verdicts are the same; only the order of
// the independent tests differs, which no result sees. Padding lanes are
// left to the caller's laneMask.
int crossedEdgesOfFour(const EdgeQuad& quad, const PathLanes& path) {
    __m128 nx = _mm_load_ps(quad.nx), ny = _mm_load_ps(quad.ny);
    __m128 e0x = _mm_load_ps(quad.e0x), e0y = _mm_load_ps(quad.e0y);
    __m128 zero = _mm_setzero_ps();
    __m128 facing = _mm_add_ps(_mm_mul_ps(path.cornerX, nx), _mm_mul_ps(path.cornerY, ny));
    __m128 ok = _mm_cmpngt_ps(facing, zero);

    __m128 fromStartX = _mm_sub_ps(path.q0x, e0x), fromStartY = _mm_sub_ps(path.q0y, e0y);
    __m128 start = _mm_add_ps(_mm_mul_ps(nx, fromStartX), _mm_mul_ps(ny, fromStartY));
    ok = _mm_and_ps(ok, _mm_cmpnlt_ps(start, _mm_set1_ps(startTolerance)));

    __m128 end = _mm_add_ps(_mm_mul_ps(nx, _mm_sub_ps(path.q1x, e0x)), _mm_mul_ps(ny, _mm_sub_ps(path.q1y, e0y)));
    ok = _mm_and_ps(ok, _mm_cmpngt_ps(end, zero));
    if (_mm_movemask_ps(ok) == 0) return 0;

    __m128 e1x = _mm_load_ps(quad.e1x), e1y = _mm_load_ps(quad.e1y);
    __m128 side0 = _mm_sub_ps(_mm_mul_ps(fromStartY, path.pathX), _mm_mul_ps(fromStartX, path.pathY));
    __m128 side1 = _mm_sub_ps(_mm_mul_ps(_mm_sub_ps(path.q0y, e1y), path.pathX),
                              _mm_mul_ps(_mm_sub_ps(path.q0x, e1x), path.pathY));
    ok = _mm_and_ps(ok, _mm_xor_ps(_mm_cmpgt_ps(side0, zero), _mm_cmpgt_ps(side1, zero)));
    return _mm_movemask_ps(ok);
}

// S's body's predicted motion over the sub-step, in all four lanes.
struct MotionLanes {
    __m128 x, y, cosTurn, sinTurn, px, py;

    explicit MotionLanes(const Body& b)
        : x(_mm_set1_ps(b.x)), y(_mm_set1_ps(b.y)), cosTurn(_mm_set1_ps(b.cosTurn)), sinTurn(_mm_set1_ps(b.sinTurn)),
          px(_mm_set1_ps(b.px)), py(_mm_set1_ps(b.py)) {}
};

// The paths of four vertices of T relative to S's body, in S's predicted
// frame: q0 is the current vertex carried along with S's body, q1 the
// predicted vertex; lanes are vertices.
struct PathsOfFour {
    alignas(16) float q0x[4];
    alignas(16) float q0y[4];
    __m128 q1x, q1y, cornerX, cornerY, pathX, pathY;
    uint32_t laneMask;
};

PathsOfFour pathsOf(const VertexQuad& vertices, const MotionLanes& motion) {
    PathsOfFour paths;
    __m128 u = _mm_sub_ps(_mm_load_ps(vertices.curX), motion.x);
    __m128 v = _mm_sub_ps(_mm_load_ps(vertices.curY), motion.y);
    __m128 q0x = _mm_add_ps(_mm_sub_ps(_mm_mul_ps(motion.cosTurn, u), _mm_mul_ps(motion.sinTurn, v)), motion.px);
    __m128 q0y = _mm_add_ps(_mm_add_ps(_mm_mul_ps(motion.sinTurn, u), _mm_mul_ps(motion.cosTurn, v)), motion.py);
    _mm_store_ps(paths.q0x, q0x);
    _mm_store_ps(paths.q0y, q0y);
    paths.q1x = _mm_load_ps(vertices.predX);
    paths.q1y = _mm_load_ps(vertices.predY);
    paths.cornerX = _mm_load_ps(vertices.cornerX);
    paths.cornerY = _mm_load_ps(vertices.cornerY);
    paths.pathX = _mm_sub_ps(q0x, paths.q1x);
    paths.pathY = _mm_sub_ps(q0y, paths.q1y);
    paths.laneMask = vertices.laneMask;
    return paths;
}

// Whether one edge (its values in every lane) is crossed by any of the four
// paths: crossedEdgesOfFour's tests with the lanes turned round, vertices
// instead of edges, each lane the same float operations.
// Inline: it is the innermost test, four calls per edge quad otherwise.
template <int lane>
[[gnu::always_inline]] inline bool edgeCrossedByAny(const EdgeQuad& quad, const PathsOfFour& paths, __m128 q0x,
                                                    __m128 q0y) {
    __m128 nx = laneOf<lane>(_mm_load_ps(quad.nx)), ny = laneOf<lane>(_mm_load_ps(quad.ny));
    __m128 e0x = laneOf<lane>(_mm_load_ps(quad.e0x)), e0y = laneOf<lane>(_mm_load_ps(quad.e0y));
    __m128 zero = _mm_setzero_ps();
    __m128 facing = _mm_add_ps(_mm_mul_ps(paths.cornerX, nx), _mm_mul_ps(paths.cornerY, ny));
    __m128 ok = _mm_cmpngt_ps(facing, zero);
    __m128 fromStartX = _mm_sub_ps(q0x, e0x), fromStartY = _mm_sub_ps(q0y, e0y);
    __m128 start = _mm_add_ps(_mm_mul_ps(nx, fromStartX), _mm_mul_ps(ny, fromStartY));
    ok = _mm_and_ps(ok, _mm_cmpnlt_ps(start, _mm_set1_ps(startTolerance)));
    __m128 end = _mm_add_ps(_mm_mul_ps(nx, _mm_sub_ps(paths.q1x, e0x)), _mm_mul_ps(ny, _mm_sub_ps(paths.q1y, e0y)));
    ok = _mm_and_ps(ok, _mm_cmpngt_ps(end, zero));
    if ((_mm_movemask_ps(ok) & static_cast<int>(paths.laneMask)) == 0) return false;

    __m128 e1x = laneOf<lane>(_mm_load_ps(quad.e1x)), e1y = laneOf<lane>(_mm_load_ps(quad.e1y));
    __m128 side0 = _mm_sub_ps(_mm_mul_ps(fromStartY, paths.pathX), _mm_mul_ps(fromStartX, paths.pathY));
    __m128 side1 =
        _mm_sub_ps(_mm_mul_ps(_mm_sub_ps(q0y, e1y), paths.pathX), _mm_mul_ps(_mm_sub_ps(q0x, e1x), paths.pathY));
    ok = _mm_and_ps(ok, _mm_xor_ps(_mm_cmpgt_ps(side0, zero), _mm_cmpgt_ps(side1, zero)));
    return (_mm_movemask_ps(ok) & static_cast<int>(paths.laneMask)) != 0;
}

// Where the paths of some vertices of T can lie, in S's predicted frame:
// their starts q0 and their ends q1 within these bounds, each value in
// every lane.
struct PathBounds {
    __m128 q0MinX, q0MinY, q0MaxX, q0MaxY, q1MinX, q1MinY, q1MaxX, q1MaxY;
};

__m128 choose(__m128 condition, __m128 ifTrue, __m128 ifFalse) {
    return _mm_or_ps(_mm_and_ps(condition, ifTrue), _mm_andnot_ps(condition, ifFalse));
}

// The bounds of the paths of the points `t` bounds, moved by S's body as
// pathsOf moves them; false when they cannot be had exactly (see
// edgesNoPathCrosses). pathsOf's start, cos·u - sin·v + px and
// sin·u + cos·v + py with u = x - S.x and v = y - S.y, is monotonic in the
// current x and in the current y, each way by the sign of its factor, so
// its extremes over the points lie at corners of their bounds, picked by
// those signs. Lanes: largest x, smallest x, largest y, smallest y.
bool pathBoundsOf(const Body& bodyS, const PointBounds& t, PathBounds& bounds) {
    if (!t.exact) return false;
    __m128 position = _mm_setr_ps(bodyS.x, bodyS.y, bodyS.px, bodyS.py);
    __m128 turn = _mm_setr_ps(bodyS.cosTurn, bodyS.sinTurn, 0.0f, 0.0f);
    __m128 bounded = _mm_cmplt_ps(absolute(position), _mm_set1_ps(1e18f));
    __m128 unitish = _mm_cmple_ps(absolute(_mm_movelh_ps(turn, turn)), _mm_set1_ps(2.0f));
    if (_mm_movemask_ps(_mm_and_ps(bounded, unitish)) != 0xF) return false;

    __m128 factorU = _mm_shuffle_ps(turn, turn, _MM_SHUFFLE(1, 1, 0, 0));  // cos cos sin sin
    __m128 factorV = _mm_xor_ps(_mm_shuffle_ps(turn, turn, _MM_SHUFFLE(0, 0, 1, 1)),
                                _mm_setr_ps(-0.0f, -0.0f, 0.0f, 0.0f));  // -sin -sin cos cos
    __m128 wantLargest = _mm_castsi128_ps(_mm_setr_epi32(-1, 0, -1, 0));
    __m128 lower = _mm_load_ps(t.lower), upper = _mm_load_ps(t.upper);
    __m128 zero = _mm_setzero_ps();
    __m128 largestU = _mm_xor_ps(_mm_cmplt_ps(factorU, zero), wantLargest);
    __m128 largestV = _mm_xor_ps(_mm_cmplt_ps(factorV, zero), wantLargest);
    __m128 currentX = choose(largestU, laneOf<0>(upper), laneOf<0>(lower));
    __m128 currentY = choose(largestV, laneOf<1>(upper), laneOf<1>(lower));
    __m128 u = _mm_sub_ps(currentX, laneOf<0>(position)), v = _mm_sub_ps(currentY, laneOf<1>(position));
    // a - b is a + (-b) exactly, and (-s)·v is -(s·v): lanes 0 and 1 are
    // pathsOf's cos·u - sin·v, lanes 2 and 3 its sin·u + cos·v.
    __m128 target = _mm_shuffle_ps(position, position, _MM_SHUFFLE(3, 3, 2, 2));  // px px py py
    __m128 start = _mm_add_ps(_mm_add_ps(_mm_mul_ps(factorU, u), _mm_mul_ps(factorV, v)), target);
    bounds.q0MaxX = laneOf<0>(start);
    bounds.q0MinX = laneOf<1>(start);
    bounds.q0MaxY = laneOf<2>(start);
    bounds.q0MinY = laneOf<3>(start);
    bounds.q1MinX = laneOf<2>(lower);
    bounds.q1MinY = laneOf<3>(lower);
    bounds.q1MaxX = laneOf<2>(upper);
    bounds.q1MaxY = laneOf<3>(upper);
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
    __m128 nx = _mm_load_ps(quad.nx), ny = _mm_load_ps(quad.ny);
    __m128 e0x = _mm_load_ps(quad.e0x), e0y = _mm_load_ps(quad.e0y);
    __m128 zero = _mm_setzero_ps();
    __m128 xRises = _mm_cmpge_ps(nx, zero), yRises = _mm_cmpge_ps(ny, zero);
    __m128 startX = choose(xRises, bounds.q0MaxX, bounds.q0MinX);
    __m128 startY = choose(yRises, bounds.q0MaxY, bounds.q0MinY);
    __m128 largestStart = _mm_add_ps(_mm_mul_ps(nx, _mm_sub_ps(startX, e0x)), _mm_mul_ps(ny, _mm_sub_ps(startY, e0y)));
    __m128 endX = choose(xRises, bounds.q1MinX, bounds.q1MaxX);
    __m128 endY = choose(yRises, bounds.q1MinY, bounds.q1MaxY);
    __m128 smallestEnd = _mm_add_ps(_mm_mul_ps(nx, _mm_sub_ps(endX, e0x)), _mm_mul_ps(ny, _mm_sub_ps(endY, e0y)));
    __m128 uncrossed =
        _mm_or_ps(_mm_cmplt_ps(largestStart, _mm_set1_ps(startTolerance)), _mm_cmpgt_ps(smallestEnd, zero));
    return static_cast<uint32_t>(_mm_movemask_ps(uncrossed)) & quad.boundedMask;
}

// Shapes with more edge quads than this are tested without the box
// rejection (no shape the reader makes comes near).
constexpr size_t mostQuadsRejected = 64;

// Whether any of the four paths crosses any edge of S whose bit is set in
// `live` (four bits per quad; null: every edge).
[[gnu::always_inline]] inline bool anyCrossing(const PathsOfFour& paths, const EdgeQuad* quads, size_t quadCount,
                                               const uint8_t* live) {
    __m128 q0x = _mm_load_ps(paths.q0x), q0y = _mm_load_ps(paths.q0y);
    for (size_t k = 0; k < quadCount; ++k) {
        const EdgeQuad& quad = quads[k];
        uint32_t edges = live != nullptr ? live[k] : quad.laneMask;
        if ((edges & 1u) && edgeCrossedByAny<0>(quad, paths, q0x, q0y)) return true;
        if ((edges & 2u) && edgeCrossedByAny<1>(quad, paths, q0x, q0y)) return true;
        if ((edges & 4u) && edgeCrossedByAny<2>(quad, paths, q0x, q0y)) return true;
        if ((edges & 8u) && edgeCrossedByAny<3>(quad, paths, q0x, q0y)) return true;
    }
    return false;
}

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
// order in which they are added up.
void recordCrossings(ContactSum& sum, const PathsOfFour& paths, const VertexQuad& vertices, const Shape& s,
                     const Shape& t) {
    const EdgeQuad* edgesEnd = s.edgeQuads.data() + s.edgeQuads.size();
    for (int lane = 0; lane < 4; ++lane) {
        if (!(vertices.laneMask & (1u << lane))) continue;
        Point q0{paths.q0x[lane], paths.q0y[lane]};
        Point q1{vertices.predX[lane], vertices.predY[lane]};
        PathLanes path(q0, q1, {vertices.cornerX[lane], vertices.cornerY[lane]});
        for (const EdgeQuad* quad = s.edgeQuads.data(); quad < edgesEnd; ++quad) {
            int crossed = crossedEdgesOfFour(*quad, path) & static_cast<int>(quad->laneMask);
            for (; crossed != 0; crossed &= crossed - 1) {
                int edge = std::countr_zero(static_cast<unsigned>(crossed));
                recordContact(sum, q0, q1, {quad->e0x[edge], quad->e0y[edge]}, {quad->e1x[edge], quad->e1y[edge]},
                              {quad->nx[edge], quad->ny[edge]}, s, t);
            }
        }
    }
}

void applyImpulse(Body& b, float invMass, float invInertia, float leverX, float leverY, float impulseX, float impulseY,
                  float sign) {
    b.vx += sign * (invMass * impulseX);
    b.vy += sign * (invMass * impulseY);
    b.omega += sign * (cross(leverX, leverY, impulseX, impulseY) * invInertia);
}

void removeNormalAcceleration(Body& b, float nx, float ny) {
    b.alpha = 0.0f;
    float along = nx * b.ax + ny * b.ay;
    b.ax -= nx * along;
    b.ay -= ny * along;
}

// Serials beyond the table (never made by the reader, which caps a world
// at 256 bodies) share a scratch entry instead of indexing past it.
PairMemory& memoryFor(const Body& a, const Body& b, PairMemory& scratch) {
    bool inTable = a.serial >= 0 && a.serial < maxBodiesPerWorld && b.serial >= 0 && b.serial < maxBodiesPerWorld;
    if (!inTable || currentWorld == nullptr) {
        scratch = PairMemory{};
        return scratch;
    }
    return currentWorld->pairMemory(a.serial, b.serial);
}

// The broad test of testShapes: false when the swept circles are apart or
// the masks share no bit. The same for (s, t) and (t, s): the difference of
// the centres only changes sign and the sum of the radii is commutative.
bool sweptCirclesMeet(const Shape& s, const Shape& t) {
    float dx = s.sweptX - t.sweptX;
    float dy = s.sweptY - t.sweptY;
    float reach = s.sweptRadius + t.sweptRadius;
    if (reach * reach < dx * dx + dy * dy) return false;
    return (s.collideMask & t.collideMask) != 0;
}

bool anyShapesMeet(const Body& a, const Body& b) {
    for (const Shape& s : a.shapes)
        for (const Shape& t : b.shapes)
            if (sweptCirclesMeet(s, t)) return true;
    return false;
}

}  // namespace

SweepBox contactBounds(const Body& b) {
    // Why the box is safe: when testShapes's float test (reach² < dx² + dy²
    // is false) lets two shapes through, |dx| is at most the sum of the
    // radii times 1 + 1e-6, however the products and sums round, as long as
    // nothing overflows. Half-widths of 1.0001 times the radius therefore
    // leave the real box ends in the right order with room to spare, and
    // rounding, being monotonic, keeps that order for the float ends. The
    // 1e-30 keeps a zero radius from making an empty box. Beyond 1e18 the
    // squares may overflow, and such a body meets everything.
    constexpr float huge = 1e18f;
    SweepBox box = SweepBox::around(INFINITY, INFINITY, -INFINITY, -INFINITY, 0);
    for (const Shape& shape : b.shapes) {
        float radius = std::fabs(shape.sweptRadius);
        float x = shape.sweptX, y = shape.sweptY;
        if (!(radius < huge && std::fabs(x) < huge && std::fabs(y) < huge)) box.wild = true;  // NaN too
        float half = radius * 1.0001f + 1e-30f;
        box.minX = std::min(box.minX, x - half);
        box.minY = std::min(box.minY, y - half);
        box.maxX = std::max(box.maxX, x + half);
        box.maxY = std::max(box.maxY, y + half);
        box.mask |= shape.collideMask;
    }
    return box;
}

namespace {

// Whether the box rejection is worth its cost: for S with more than four
// edges, or much larger than T (a floor or a wall, most of whose edges T's
// bounds miss). Between two small shapes of four edges it costs about what
// it saves.
bool rejectionPays(const Shape& s, const Shape& t) {
    return (s.edgeQuads.size() > 1 || s.sweptRadius > 2.0f * t.sweptRadius) && s.edgeQuads.size() <= mostQuadsRejected;
}

// testShapes for S with many edges or a large S: first the edges that some
// path of T may cross, by the bounds of all of T's paths; when there are
// none, T's vertices are not visited. Out of line, so that the plain test
// between two small shapes keeps its registers.
[[gnu::noinline]] ContactSum testShapesRejecting(const Shape& s, const Body& bodyS, const Shape& t,
                                                 const PathBounds& bounds) {
    ContactSum sum;
    const EdgeQuad* edges = s.edgeQuads.data();
    size_t edgeQuadCount = s.edgeQuads.size();
    uint8_t liveEdges[mostQuadsRejected];
    uint32_t anyLive = 0;
    for (size_t k = 0; k < edgeQuadCount; ++k) {
        uint32_t live = edges[k].laneMask & ~edgesNoPathCrosses(edges[k], bounds);
        liveEdges[k] = static_cast<uint8_t>(live);
        anyLive |= live;
    }
    if (anyLive == 0) return sum;
    MotionLanes motion(bodyS);
    for (const VertexQuad& vertices : t.vertexQuads) {
        PathsOfFour paths = pathsOf(vertices, motion);
        if (anyCrossing(paths, edges, edgeQuadCount, liveEdges)) recordCrossings(sum, paths, vertices, s, t);
    }
    return sum;
}

}  // namespace

ContactSum testShapes(const Shape& s, const Body& bodyS, const Shape& t) {
    ContactSum sum;
    if (!sweptCirclesMeet(s, t)) return sum;
    // The quads are laid out by every prediction; a shape tested before it
    // was ever predicted would be read as having no edges.
    assert(s.predContours.empty() || !s.edgeQuads.empty());
    PathBounds bounds;
    if (rejectionPays(s, t) && pathBoundsOf(bodyS, t.bounds, bounds)) return testShapesRejecting(s, bodyS, t, bounds);
    const EdgeQuad* edges = s.edgeQuads.data();
    size_t edgeQuadCount = s.edgeQuads.size();
    MotionLanes motion(bodyS);
    for (const VertexQuad& vertices : t.vertexQuads) {
        PathsOfFour paths = pathsOf(vertices, motion);
        // Contacts are rare: first ask, in any order, whether any of the
        // four paths crosses any edge; only then visit them in the order
        // in which contacts are recorded, vertex by vertex, edge by edge.
        if (anyCrossing(paths, edges, edgeQuadCount, nullptr)) recordCrossings(sum, paths, vertices, s, t);
    }
    return sum;
}

bool collideModels(Model& a, Model& b) {
    if (a.maxX < b.minX || a.maxY < b.minY || a.minY > b.maxY || a.minX > b.maxX) return false;
    pairTestCount += static_cast<uint64_t>(a.bodies.size()) * b.bodies.size();
    bool responded = false;
    for (auto& bodyA : a.bodies)
        for (auto& bodyB : b.bodies)
            // Most body pairs here have no shape pair whose swept circles
            // meet: they are passed over without a call.
            if (anyShapesMeet(*bodyA, *bodyB)) responded |= collideBodies(*bodyA, *bodyB);
    return responded;
}

ModelPairPreview previewModels(const Model& a, const Model& b) {
    if (a.maxX < b.minX || a.maxY < b.minY || a.minY > b.maxY || a.minX > b.maxX) return ModelPairPreview::apart;
    for (const auto& bodyA : a.bodies)
        for (const auto& bodyB : b.bodies) {
            if (!anyShapesMeet(*bodyA, *bodyB) || (isImmovable(*bodyA) && isImmovable(*bodyB))) continue;
            // The first attempt of collideBodies responds when any part
            // has a contact.
            for (const Shape& s : bodyA->shapes)
                for (const Shape& t : bodyB->shapes)
                    if (testShapes(s, *bodyA, t).count > 0 || testShapes(t, *bodyB, s).count > 0)
                        return ModelPairPreview::contact;
        }
    return ModelPairPreview::nothing;
}

bool collideBodies(Body& a, Body& b) {
    // Both early ends leave everything as it was: no shape pair meets (see
    // below), or the two bodies are immovable. Two immovable bodies never
    // make a contact: in float arithmetic a still vertex's prediction is not
    // always exactly its current position, so crossings could be found, and
    // a response would move neither body but keep the pass loop going to its
    // limit.
    if (!anyShapesMeet(a, b)) return false;
    if (isImmovable(a) && isImmovable(b)) return false;
    bool responded = false;
    for (int attempt = 0; attempt < 4; ++attempt) {
        // A shape pair whose swept circles are apart adds nothing: its part
        // is all zeros, and adding zeros to a sum that started at +0 leaves
        // every bit of it. So only the pairs that meet are tested, and a
        // body pair with none ends here.
        ContactSum sum;
        bool anyMeet = false;
        for (const Shape& s : a.shapes)
            for (const Shape& t : b.shapes)
                if (sweptCirclesMeet(s, t)) {
                    anyMeet = true;
                    ContactSum part = testShapes(s, a, t);
                    if (part.count > 0) add(sum, part, 1.0f);
                }
        if (!anyMeet) return responded;
        // A's vertices against B's edges: those normals point out of B.
        for (const Shape& s : a.shapes)
            for (const Shape& t : b.shapes)
                if (sweptCirclesMeet(s, t)) {
                    ContactSum part = testShapes(t, b, s);
                    if (part.count > 0) add(sum, part, -1.0f);
                }
        if (sum.count <= 0) return responded;
        respond(sum, a, b);
        predictBody(a);
        predictBody(b);
        responded = true;
    }
    return responded;
}

void respond(const ContactSum& sum, Body& a, Body& b) {
    if (sum.count < 1) return;
    // The reader keeps every bounce at 0.01 or more; a zero weight (bounce 0
    // set in code) would make the contact point 0/0.
    if (!(sum.sumWeight > 0.0f)) return;

    // 2. Memory of this ordered pair within the current world step.
    PairMemory scratch;
    PairMemory& memory = memoryFor(a, b, scratch);
    int32_t stepNumber = currentWorld ? currentWorld->stepCount : 0;
    if (memory.stamp != stepNumber) memory.hits = 0;
    uint8_t hits = memory.hits;

    // 3, 4. Averaged normal (out of A) and contact point.
    float nx = sum.normalX, ny = sum.normalY;
    float normalLength = std::sqrt(nx * nx + ny * ny);
    if (normalLength != 0.0f) {
        nx /= normalLength;
        ny /= normalLength;
    }
    float contactX = sum.sumX / sum.sumWeight;
    float contactY = sum.sumY / sum.sumWeight;
    float leverAX = contactX - a.x, leverAY = contactY - a.y;
    float leverBX = contactX - b.x, leverBY = contactY - b.y;

    // 5. Relative normal velocity at the end of the sub-step.
    float dt = stepTime;
    float endVelAX = a.vx + a.ax * dt, endVelAY = a.vy + a.ay * dt, endOmegaA = a.omega + a.alpha * dt;
    float endVelBX = b.vx + b.ax * dt, endVelBY = b.vy + b.ay * dt, endOmegaB = b.omega + b.alpha * dt;
    float relativeX = (endVelBX - endOmegaB * leverBY) - (endVelAX - endOmegaA * leverAY);
    float relativeY = (endVelBY + endOmegaB * leverBX) - (endVelAY + endOmegaA * leverAX);
    float normalVelocity = relativeX * nx + relativeY * ny;
    if (normalVelocity > 0.0f) normalVelocity = -0.01f;  // a touching pair is always pushed apart a little

    // 6. Coefficients: from the third response of the pair in a step on,
    // collisions are fully elastic.
    float restitution = sum.sumWeight / sum.count;
    if (hits > 1) restitution = 1.0f;
    float kineticFriction = sum.sumKinetic / sum.count;
    float staticFriction = sum.sumStatic / sum.count;

    // 7. Inverse masses.
    float invMassA, invInertiaA, invMassB, invInertiaB;
    solverInverses(a, invMassA, invInertiaA);
    solverInverses(b, invMassB, invInertiaB);

    // 8. Normal impulse.
    float leverCrossA = cross(nx, ny, leverAX, leverAY);
    float leverCrossB = cross(nx, ny, leverBX, leverBY);
    float normalDenominator =
        leverCrossA * leverCrossA * invInertiaA + invMassA + invMassB + leverCrossB * leverCrossB * invInertiaB;
    if (normalDenominator > 0.0f) {  // two immovable bodies exchange nothing
        float magnitude = (1.0f + restitution) / normalDenominator;
        float normalImpulseX = normalVelocity * magnitude * nx;
        float normalImpulseY = normalVelocity * magnitude * ny;
        applyImpulse(a, invMassA, invInertiaA, leverAX, leverAY, normalImpulseX, normalImpulseY, 1.0f);
        applyImpulse(b, invMassB, invInertiaB, leverBX, leverBY, normalImpulseX, normalImpulseY, -1.0f);

        // 9. Friction from the updated velocities.
        float tx = -ny, ty = nx;
        float slipX = (b.vx - b.omega * leverBY) - (a.vx - a.omega * leverAY);
        float slipY = (b.vy + b.omega * leverBX) - (a.vy + a.omega * leverAX);
        float tangentVelocity = slipX * tx + slipY * ty;
        float normalLeverA = nx * leverAX + ny * leverAY;
        float normalLeverB = nx * leverBX + ny * leverBY;
        float tangentMass = 1.0f / (invMassA + invMassB + normalLeverA * normalLeverA * invInertiaA +
                                    normalLeverB * normalLeverB * invInertiaB);
        float frictionX = tangentVelocity * tangentMass * tx;
        float frictionY = tangentVelocity * tangentMass * ty;
        float frictionLength = std::sqrt(frictionX * frictionX + frictionY * frictionY);
        float unitX = frictionX, unitY = frictionY;
        if (frictionLength != 0.0f) {
            unitX /= frictionLength;
            unitY /= frictionLength;
        }
        float normalImpulseLength = std::sqrt(normalImpulseX * normalImpulseX + normalImpulseY * normalImpulseY);
        float limitX = unitX * normalImpulseLength, limitY = unitY * normalImpulseLength;
        float limitSquared = limitX * limitX + limitY * limitY;
        if (frictionX * frictionX + frictionY * frictionY >= limitSquared * (staticFriction * staticFriction)) {
            // Sliding: kinetic friction times the normal impulse.
            frictionX = limitX * kineticFriction;
            frictionY = limitY * kineticFriction;
        }
        applyImpulse(a, invMassA, invInertiaA, leverAX, leverAY, frictionX, frictionY, 1.0f);
        applyImpulse(b, invMassB, invInertiaB, leverBX, leverBY, frictionX, frictionY, -1.0f);
    }

    // 10. The normal part of each acceleration is taken out.
    removeNormalAcceleration(a, nx, ny);
    removeNormalAcceleration(b, nx, ny);

    // 11. Several threads may clear the flag at once (one model each).
    std::atomic_ref<int32_t>(settled).store(0, std::memory_order_relaxed);
    memory.hits = static_cast<uint8_t>(memory.hits + 1);
    memory.stamp = stepNumber;
}

#include "sim/contacts.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "sim/globals.h"
#include "sim/lanes.h"
#include "sim/motion.h"

uint64_t pairTestCount = 0;

namespace {

float cross(float ax, float ay, float bx, float by) { return ax * by - ay * bx; }
float dot(Point a, Point b) { return a.x * b.x + a.y * b.y; }

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

// Whether the vertex path q0 -> q1 crosses edge e0 -> e1 (unit normal n)
// from outside: the vertex must not point the way the edge faces, start
// outside (or within 0.02 inside) and end on or inside the edge's line, and
// the edge's ends must lie on both sides of the path's line.
bool crossesEdge(Point q0, Point q1, Point corner, Point e0, Point e1, Point n) {
    if (dot(corner, n) > 0.0f) return false;
    if (static_cast<double>(dot(n, {q0.x - e0.x, q0.y - e0.y})) < -0.02) return false;
    if (dot(n, {q1.x - e0.x, q1.y - e0.y}) > 0.0f) return false;
    auto side = [&](Point e) { return (q0.y - e.y) * (q0.x - q1.x) - (q0.x - e.x) * (q0.y - q1.y); };
    return (side(e0) > 0.0f) != (side(e1) > 0.0f);
}

// One vertex path, each value in all four lanes.
struct PathLanes {
    __m128 q0x, q0y, q1x, q1y, cornerX, cornerY, pathX, pathY;

    PathLanes(Point q0, Point q1, Point corner)
        : q0x(_mm_set1_ps(q0.x)), q0y(_mm_set1_ps(q0.y)), q1x(_mm_set1_ps(q1.x)), q1y(_mm_set1_ps(q1.y)),
          cornerX(_mm_set1_ps(corner.x)), cornerY(_mm_set1_ps(corner.y)), pathX(_mm_set1_ps(q0.x - q1.x)),
          pathY(_mm_set1_ps(q0.y - q1.y)) {}
};

// Four edges of S: start and end points and unit normals.
struct EdgeLanes {
    __m128 e0x, e0y, e1x, e1y, nx, ny;
};

// Edges j .. j+3 of a contour straight from its points and normals.
EdgeLanes edgeLanesAt(const Point* edges, const Point* normals, const Point& nextEdgeStart) {
    EdgeLanes lanes;
    loadPoints(edges, lanes.e0x, lanes.e0y);
    loadPoints(normals, lanes.nx, lanes.ny);
    lanes.e1x = shiftDown(lanes.e0x, nextEdgeStart.x);
    lanes.e1y = shiftDown(lanes.e0y, nextEdgeStart.y);
    return lanes;
}

// crossesEdge for four edges at once: bit k of the result is set when edge
// k of the four is crossed. Every lane makes the same float operations in
// the same order as crossesEdge, so the verdicts are the same; only the
// order of the independent tests differs, which no result sees.
int crossedEdgesOfFour(const EdgeLanes& edge, const PathLanes& path) {
    __m128 zero = _mm_setzero_ps();
    __m128 facing = _mm_add_ps(_mm_mul_ps(path.cornerX, edge.nx), _mm_mul_ps(path.cornerY, edge.ny));
    __m128 ok = _mm_cmpngt_ps(facing, zero);

    __m128 start = _mm_add_ps(_mm_mul_ps(edge.nx, _mm_sub_ps(path.q0x, edge.e0x)),
                              _mm_mul_ps(edge.ny, _mm_sub_ps(path.q0y, edge.e0y)));
    ok = _mm_and_ps(ok, _mm_cmpnlt_ps(start, _mm_set1_ps(startTolerance)));

    __m128 end = _mm_add_ps(_mm_mul_ps(edge.nx, _mm_sub_ps(path.q1x, edge.e0x)),
                            _mm_mul_ps(edge.ny, _mm_sub_ps(path.q1y, edge.e0y)));
    ok = _mm_and_ps(ok, _mm_cmpngt_ps(end, zero));
    if (_mm_movemask_ps(ok) == 0) return 0;

    __m128 side0 = _mm_sub_ps(_mm_mul_ps(_mm_sub_ps(path.q0y, edge.e0y), path.pathX),
                              _mm_mul_ps(_mm_sub_ps(path.q0x, edge.e0x), path.pathY));
    __m128 side1 = _mm_sub_ps(_mm_mul_ps(_mm_sub_ps(path.q0y, edge.e1y), path.pathX),
                              _mm_mul_ps(_mm_sub_ps(path.q0x, edge.e1x), path.pathY));
    ok = _mm_and_ps(ok, _mm_xor_ps(_mm_cmpgt_ps(side0, zero), _mm_cmpgt_ps(side1, zero)));
    return _mm_movemask_ps(ok);
}

// The edges of S in groups of four, laid out once per shape test so that
// each of T's vertices reads them without reshuffling. Shapes with more
// edges than it holds are read straight from their contours instead.
struct ShapeEdgeLanes {
    static constexpr size_t capacity = 32;  // groups of four edges
    EdgeLanes groups[capacity];
    size_t used = 0;

    // False (and nothing kept) when the shape has more full groups than fit.
    bool fill(const Shape& s) {
        size_t needed = 0;
        for (const Contour& contour : s.predContours) needed += contour.size() / 4;
        if (needed > capacity) return false;
        for (size_t si = 0; si < s.predContours.size(); ++si) {
            const Point* edges = s.predContours[si].data();
            size_t n = s.predContours[si].size();
            for (size_t j = 0; j + 4 <= n; j += 4)
                groups[used++] = edgeLanesAt(edges + j, s.edgeNormals[si].data() + j, edges[j + 4 < n ? j + 4 : 0]);
        }
        return true;
    }
};

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

void applyImpulse(Body& b, float invMass, float invInertia, float leverX, float leverY, float impulseX,
                  float impulseY, float sign) {
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

ContactSum testShapes(const Shape& s, const Body& bodyS, const Shape& t) {
    ContactSum sum;
    if (!sweptCirclesMeet(s, t)) return sum;
    ShapeEdgeLanes laidOut;
    bool isLaidOut = laidOut.fill(s);

    for (size_t ti = 0; ti < t.curContours.size(); ++ti) {
        const Point* current = t.curContours[ti].data();
        const Point* predicted = t.predContours[ti].data();
        const Point* cornerVectors = t.cornerVectors[ti].data();
        for (size_t k = 0; k < t.curContours[ti].size(); ++k) {
            // The vertex's path relative to S's body, in S's predicted frame.
            float u = current[k].x - bodyS.x;
            float v = current[k].y - bodyS.y;
            Point q0{bodyS.cosTurn * u - bodyS.sinTurn * v + bodyS.px, bodyS.sinTurn * u + bodyS.cosTurn * v + bodyS.py};
            Point q1 = predicted[k];
            Point corner = cornerVectors[k];
            PathLanes path(q0, q1, corner);
            size_t group = 0;
            for (size_t si = 0; si < s.predContours.size(); ++si) {
                const Point* edges = s.predContours[si].data();
                const Point* normals = s.edgeNormals[si].data();
                size_t n = s.predContours[si].size();
                size_t j = 0;
                // Four edges at a time, contacts recorded in edge order.
                for (; j + 4 <= n; j += 4) {
                    int crossed = crossedEdgesOfFour(
                        isLaidOut ? laidOut.groups[group++] : edgeLanesAt(edges + j, normals + j, edges[j + 4 < n ? j + 4 : 0]),
                        path);
                    for (; crossed != 0; crossed &= crossed - 1) {
                        size_t e = j + static_cast<size_t>(std::countr_zero(static_cast<unsigned>(crossed)));
                        recordContact(sum, q0, q1, edges[e], edges[e + 1 < n ? e + 1 : 0], normals[e], s, t);
                    }
                }
                for (; j < n; ++j) {
                    Point e0 = edges[j];
                    Point e1 = edges[j + 1 < n ? j + 1 : 0];
                    if (crossesEdge(q0, q1, corner, e0, e1, normals[j]))
                        recordContact(sum, q0, q1, e0, e1, normals[j], s, t);
                }
            }
        }
    }
    return sum;
}

bool collideModels(Model& a, Model& b) {
    if (a.maxX < b.minX || a.maxY < b.minY || a.minY > b.maxY || a.minX > b.maxX) return false;
    bool responded = false;
    for (auto& bodyA : a.bodies)
        for (auto& bodyB : b.bodies) responded |= collideBodies(*bodyA, *bodyB);
    return responded;
}

bool collideBodies(Body& a, Body& b) {
    pairTestCount += 1;
    // Two immovable bodies never make a contact. In float arithmetic a still
    // vertex's prediction is not always exactly its current position, so
    // crossings could be found; a response would move neither body but keep
    // the pass loop going to its limit.
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

    // 11.
    settled = 0;
    memory.hits = static_cast<uint8_t>(memory.hits + 1);
    memory.stamp = stepNumber;
}

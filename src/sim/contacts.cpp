#include "sim/contacts.h"

#include <cmath>

#include "sim/globals.h"
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

void inverses(const Body& b, float& invMass, float& invInertia) {
    if (isInertBody(b) || static_cast<double>(b.invMass) < negligibleInverseMass) {
        invMass = 0.0f;
        invInertia = 0.0f;
        return;
    }
    invMass = b.invMass;
    invInertia = b.invInertia;
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

}  // namespace

ContactSum testShapes(const Shape& s, const Body& bodyS, const Shape& t) {
    ContactSum sum;
    float dx = s.sweptX - t.sweptX;
    float dy = s.sweptY - t.sweptY;
    float reach = s.sweptRadius + t.sweptRadius;
    if (reach * reach < dx * dx + dy * dy) return sum;
    if ((s.collideMask & t.collideMask) == 0) return sum;

    for (size_t ti = 0; ti < t.curContours.size(); ++ti) {
        const Contour& current = t.curContours[ti];
        for (size_t k = 0; k < current.size(); ++k) {
            // The vertex's path relative to S's body, in S's predicted frame.
            float u = current[k].x - bodyS.x;
            float v = current[k].y - bodyS.y;
            Point q0{bodyS.cosTurn * u - bodyS.sinTurn * v + bodyS.px, bodyS.sinTurn * u + bodyS.cosTurn * v + bodyS.py};
            Point q1 = t.predContours[ti][k];
            Point corner = t.cornerVectors[ti][k];
            for (size_t si = 0; si < s.predContours.size(); ++si) {
                const Contour& edges = s.predContours[si];
                size_t n = edges.size();
                for (size_t j = 0; j < n; ++j) {
                    Point e0 = edges[j];
                    Point e1 = edges[(j + 1) % n];
                    Point normal = s.edgeNormals[si][j];
                    if (crossesEdge(q0, q1, corner, e0, e1, normal)) recordContact(sum, q0, q1, e0, e1, normal, s, t);
                }
            }
        }
    }
    return sum;
}

void collideModels(Model& a, Model& b) {
    if (a.maxX < b.minX || a.maxY < b.minY || a.minY > b.maxY || a.minX > b.maxX) return;
    for (auto& bodyA : a.bodies)
        for (auto& bodyB : b.bodies) collideBodies(*bodyA, *bodyB);
}

void collideBodies(Body& a, Body& b) {
    pairTestCount += 1;
    for (int attempt = 0; attempt < 4; ++attempt) {
        ContactSum sum;
        for (const Shape& s : a.shapes)
            for (const Shape& t : b.shapes) add(sum, testShapes(s, a, t), 1.0f);
        // A's vertices against B's edges: those normals point out of B.
        for (const Shape& s : a.shapes)
            for (const Shape& t : b.shapes) add(sum, testShapes(t, b, s), -1.0f);
        if (sum.count <= 0) return;
        respond(sum, a, b);
        predictBody(a);
        predictBody(b);
    }
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
    inverses(a, invMassA, invInertiaA);
    inverses(b, invMassB, invInertiaB);

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
        if (frictionX * frictionX + frictionY * frictionY >= limitSquared * staticFriction * staticFriction) {
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

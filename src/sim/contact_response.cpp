#include "sim/contact_response.h"

#include <cmath>

#include "sim/body_frame.h"
#include "sim/motion.h"

namespace {

// The pair's contacts merged into one: the unit normal out of A and the
// lever arms from each body's centre to the averaged contact point.
struct AveragedContact {
    float nx, ny;
    float leverAX, leverAY;
    float leverBX, leverBY;
};

// The normal is left as it is when its length is 0; the point is the mean
// of the contact points weighted by the products of the bounces.
AveragedContact averagedContact(const ContactSum& sum, const Body& a, const Body& b) {
    float nx = sum.normalX, ny = sum.normalY;
    float normalLength = std::sqrt(nx * nx + ny * ny);
    if (normalLength != 0.0f) {
        nx /= normalLength;
        ny /= normalLength;
    }
    float contactX = sum.sumX / sum.sumWeight;
    float contactY = sum.sumY / sum.sumWeight;
    return {nx, ny, contactX - a.x, contactY - a.y, contactX - b.x, contactY - b.y};
}

// B's velocity at the contact point relative to A's, for bodies moving with
// (vA, omegaA) and (vB, omegaB): v + omega × lever for each.
Point relativeVelocity(const AveragedContact& contact, Point velocityA, float omegaA, Point velocityB, float omegaB) {
    return {(velocityB.x - omegaB * contact.leverBY) - (velocityA.x - omegaA * contact.leverAY),
            (velocityB.y + omegaB * contact.leverBX) - (velocityA.y + omegaA * contact.leverAX)};
}

// The relative normal velocity with the velocities the bodies would have at
// the end of the sub-step (their accelerations applied over dt). A pair
// already separating counts as approaching at 0.01, so a touching pair is
// always pushed apart a little.
float approachVelocity(const AveragedContact& contact, const Body& a, const Body& b, float dt) {
    Point endVelocityA{a.vx + a.ax * dt, a.vy + a.ay * dt};
    Point endVelocityB{b.vx + b.ax * dt, b.vy + b.ay * dt};
    float endOmegaA = a.omega + a.alpha * dt, endOmegaB = b.omega + b.alpha * dt;
    Point relative = relativeVelocity(contact, endVelocityA, endOmegaA, endVelocityB, endOmegaB);
    float normalVelocity = relative.x * contact.nx + relative.y * contact.ny;
    return normalVelocity > 0.0f ? -0.01f : normalVelocity;
}

// The means of the contacts' products of bounces, kinetic and static
// frictions. From the third response of the same ordered pair within one
// world step on, collisions are fully elastic: a pair caught between
// others still comes apart.
struct Coefficients {
    float restitution, kineticFriction, staticFriction;
};

Coefficients coefficientsOf(const ContactSum& sum, uint8_t earlierHits) {
    float restitution = sum.sumWeight / sum.count;
    if (earlierHits > 1) restitution = 1.0f;
    return {restitution, sum.sumKinetic / sum.count, sum.sumStatic / sum.count};
}

// What an impulse moves: 0 for an immovable body.
struct Inverses {
    float mass, inertia;
};

Inverses inversesOf(const Body& b) {
    Inverses inverses;
    solverInverses(b, inverses.mass, inverses.inertia);
    return inverses;
}

// sign = +1 applies the impulse at the lever, -1 its opposite.
void applyImpulse(Body& b, const Inverses& inverses, float leverX, float leverY, Point impulse, float sign) {
    b.vx += sign * (inverses.mass * impulse.x);
    b.vy += sign * (inverses.mass * impulse.y);
    b.omega += sign * (cross(leverX, leverY, impulse.x, impulse.y) * inverses.inertia);
}

// Impulse to A, its opposite to B.
void applyToPair(Body& a, Body& b, const Inverses& inverseA, const Inverses& inverseB, const AveragedContact& contact,
                 Point impulse) {
    applyImpulse(a, inverseA, contact.leverAX, contact.leverAY, impulse, 1.0f);
    applyImpulse(b, inverseB, contact.leverBX, contact.leverBY, impulse, -1.0f);
}

// The friction impulse, from the velocities the normal impulse left (no
// accelerations): the impulse that stops the sliding along the tangent,
// unless that exceeds the static limit |normal impulse|·μs; then the
// kinetic one, |normal impulse|·μk along it.
Point frictionImpulse(const AveragedContact& contact, const Body& a, const Body& b, const Inverses& inverseA,
                      const Inverses& inverseB, Point normalImpulse, const Coefficients& coefficients) {
    float tx = -contact.ny, ty = contact.nx;
    Point slip = relativeVelocity(contact, {a.vx, a.vy}, a.omega, {b.vx, b.vy}, b.omega);
    float tangentVelocity = slip.x * tx + slip.y * ty;
    float normalLeverA = contact.nx * contact.leverAX + contact.ny * contact.leverAY;
    float normalLeverB = contact.nx * contact.leverBX + contact.ny * contact.leverBY;
    float tangentMass = 1.0f / (inverseA.mass + inverseB.mass + normalLeverA * normalLeverA * inverseA.inertia +
                                normalLeverB * normalLeverB * inverseB.inertia);
    Point friction{tangentVelocity * tangentMass * tx, tangentVelocity * tangentMass * ty};

    float frictionLength = std::sqrt(friction.x * friction.x + friction.y * friction.y);
    Point unit = friction;
    if (frictionLength != 0.0f) unit = {unit.x / frictionLength, unit.y / frictionLength};
    float normalImpulseLength = std::sqrt(normalImpulse.x * normalImpulse.x + normalImpulse.y * normalImpulse.y);
    Point limit{unit.x * normalImpulseLength, unit.y * normalImpulseLength};
    float limitSquared = limit.x * limit.x + limit.y * limit.y;
    float staticFriction = coefficients.staticFriction;
    if (friction.x * friction.x + friction.y * friction.y >= limitSquared * (staticFriction * staticFriction))
        return {limit.x * coefficients.kineticFriction, limit.y * coefficients.kineticFriction};
    return friction;
}

// The normal impulse that turns the approach velocity into a separation of
// restitution times it, then friction. Two immovable bodies exchange
// nothing.
void applyImpulses(const AveragedContact& contact, Body& a, Body& b, float normalVelocity,
                   const Coefficients& coefficients) {
    Inverses inverseA = inversesOf(a), inverseB = inversesOf(b);
    float leverCrossA = cross(contact.nx, contact.ny, contact.leverAX, contact.leverAY);
    float leverCrossB = cross(contact.nx, contact.ny, contact.leverBX, contact.leverBY);
    float denominator = leverCrossA * leverCrossA * inverseA.inertia + inverseA.mass + inverseB.mass +
                        leverCrossB * leverCrossB * inverseB.inertia;
    if (!(denominator > 0.0f)) return;
    float magnitude = (1.0f + coefficients.restitution) / denominator;
    Point normalImpulse{normalVelocity * magnitude * contact.nx, normalVelocity * magnitude * contact.ny};
    applyToPair(a, b, inverseA, inverseB, contact, normalImpulse);
    Point friction = frictionImpulse(contact, a, b, inverseA, inverseB, normalImpulse, coefficients);
    applyToPair(a, b, inverseA, inverseB, contact, friction);
}

// The bodies stop accelerating into each other: the normal part of each
// acceleration goes, and so does the angular acceleration.
void removeNormalAcceleration(Body& b, float nx, float ny) {
    b.alpha = 0.0f;
    float along = nx * b.ax + ny * b.ay;
    b.ax -= nx * along;
    b.ay -= ny * along;
}

// The pair's entry in the world's contact memory. Serials beyond the table
// (never made by the reader, which caps a world at 256 bodies) and a step
// without a world share a scratch entry instead of indexing past it.
PairMemory& memoryFor(const Body& a, const Body& b, World* world, PairMemory& scratch) {
    bool inTable = a.serial >= 0 && a.serial < maxBodiesPerWorld && b.serial >= 0 && b.serial < maxBodiesPerWorld;
    if (!inTable || world == nullptr) {
        scratch = PairMemory{};
        return scratch;
    }
    return world->pairMemory(a.serial, b.serial);
}

}  // namespace

void respond(const ContactSum& sum, Body& a, Body& b, StepContext& step) {
    if (sum.count < 1) return;
    // The reader keeps every bounce at 0.01 or more; a zero weight (bounce 0
    // set in code) would make the contact point 0/0.
    if (!(sum.sumWeight > 0.0f)) return;

    // The pair's responses so far count only within this world step.
    PairMemory scratch;
    PairMemory& memory = memoryFor(a, b, step.currentWorld, scratch);
    int32_t stepNumber = step.currentWorld ? step.currentWorld->stepCount : 0;
    if (memory.stamp != stepNumber) memory.hits = 0;

    AveragedContact contact = averagedContact(sum, a, b);
    float normalVelocity = approachVelocity(contact, a, b, step.stepTime);
    applyImpulses(contact, a, b, normalVelocity, coefficientsOf(sum, memory.hits));
    removeNormalAcceleration(a, contact.nx, contact.ny);
    removeNormalAcceleration(b, contact.nx, contact.ny);

    unsettle(step);
    if (step.countingLate) countLate(memory.lateHits);
    memory.hits = static_cast<uint8_t>(memory.hits + 1);
    memory.stamp = stepNumber;
}

#include "sim/motion.h"

#include <cassert>
#include <cmath>

#include "sim/body_frame.h"
#include "sim/contact_pairs.h"
#include "sim/predicted_outline.h"
#include "sim/trig.h"

namespace {

bool isModelRoot(const Body& b) {
    if (b.parentPlug >= b.plugs.size()) return false;
    const Anchor* partner = b.plugs[b.parentPlug].partner;
    return partner != nullptr && partner->owner == nullptr;
}

void clearAccelerations(Body& b) {
    b.ax = 0.0f;
    b.ay = 0.0f;
    b.alpha = 0.0f;
}

void predictAnchors(std::deque<Anchor>& anchors, const PredictedMotion& motion) {
    for (Anchor& anchor : anchors) {
        Point p = motion.apply(anchor.worldX, anchor.worldY);
        anchor.predX = p.x;
        anchor.predY = p.y;
    }
}

// The outlines the step works on run in lockstep with the local one,
// contour by contour and point by point; the kernels index them together.
[[maybe_unused]] bool outlinesInStep(const Shape& shape) {
    size_t contours = shape.contours.size();
    if (shape.curContours.size() < contours || shape.predContours.size() < contours ||
        shape.cornerVectors.size() < contours || shape.edgeNormals.size() < contours)
        return false;
    for (size_t i = 0; i < contours; ++i) {
        size_t points = shape.curContours[i].size();
        if (shape.predContours[i].size() != points || shape.cornerVectors[i].size() != points ||
            shape.edgeNormals[i].size() != points)
            return false;
    }
    return true;
}

void predictSweptCircle(Shape& shape, const PredictedMotion& motion) {
    Point predictedCentre = motion.apply(shape.centreX, shape.centreY);
    float dx = predictedCentre.x - shape.centreX;
    float dy = predictedCentre.y - shape.centreY;
    shape.sweptRadius = shape.radius + 1e-5f + 0.5f * std::sqrt(dx * dx + dy * dy);
    shape.sweptX = (shape.centreX + predictedCentre.x) * 0.5f;
    shape.sweptY = (shape.centreY + predictedCentre.y) * 0.5f;
}

void placeAnchors(std::deque<Anchor>& anchors, const BodyFrame& frame) {
    for (Anchor& anchor : anchors) {
        Point world = frame.toWorld(anchor.localX, anchor.localY);
        anchor.worldX = world.x;
        anchor.worldY = world.y;
    }
}

}  // namespace

void solverInverses(const Body& b, float& invMass, float& invInertia) {
    if (isImmovable(b)) {
        invMass = 0.0f;
        invInertia = 0.0f;
        return;
    }
    invMass = b.invMass;
    invInertia = b.invInertia;
}

void applyForceAt(SpringEnd& end, float forceX, float forceY) {
    if (end.body == nullptr) return;
    Body& b = *end.body;
    if (isInertBody(b)) return;  // no finite mass to accelerate
    b.ax += forceX * b.invMass;
    b.ay += forceY * b.invMass;
    b.alpha += cross(end.point.x - b.x, end.point.y - b.y, forceX, forceY) * b.invInertia;
}

void applySpring(Spring& spring) {
    float forceX = spring.stiffness * (spring.endB->point.x - spring.endA->point.x);
    float forceY = spring.stiffness * (spring.endB->point.y - spring.endA->point.y);
    applyForceAt(*spring.endA, forceX, forceY);
    applyForceAt(*spring.endB, -forceX, -forceY);
}

void advanceTree(Body& b, StepContext& step, const StepKeys& keys) {
    b.serial = step.bodySerial;
    step.bodySerial += 1;

    if (isInertBody(b)) {
        // A body without a usable mass keeps its pose: nothing moves it.
        b.vx = b.vy = b.omega = 0.0f;
        clearAccelerations(b);
    } else {
        if (!(b.flags & (noGravityFlag | boltedFlag))) b.ay += b.invMass * (b.mass * -0.1);
        if (b.name == "lower arm" && keys.lift) b.ay += b.invMass * (2.0 * b.mass);

        float dt = step.stepTime;
        b.vx += b.ax * dt;
        b.vy += b.ay * dt;
        b.omega += b.alpha * dt;

        if (keys.freeze && isModelRoot(b)) {
            // Freeze: the root stops translating but keeps turning.
            b.vx = b.vy = 0.0f;
            b.ax = b.ay = 0.0f;
        }
    }

    for (Socket& socket : b.sockets)
        if (socket.partner && socket.partner->owner) advanceTree(*socket.partner->owner, step, keys);
}

void predictModel(Model& m, const StepContext& step) {
    m.minX = m.minY = 9.0e30f;
    m.maxX = m.maxY = -9.0e30f;
    for (auto& body : m.bodies) predictBody(*body, step);
}

void predictBody(Body& b, const StepContext& step) {
    b.predictions += 1;
    float dt = step.stepTime;
    float turn = b.omega * dt + 0.5 * b.alpha * dt * dt;
    cosSinOf(turn, b.cosTurn, b.sinTurn);
    b.px = b.x + b.vx * dt + 0.5f * b.ax * dt * dt;
    b.py = b.y + b.vy * dt + 0.5f * b.ay * dt * dt;

    PredictedMotion motion = PredictedMotion::of(b);
    predictAnchors(b.sockets, motion);
    predictAnchors(b.plugs, motion);
    SweepBox box = emptyContactBox();
    // Edges no contact test read since the last prediction are left for
    // the first reader (most links of a hanging chain meet nothing in a
    // pass, and a prediction replaced before any read wastes them); edges
    // read lately are laid out in this walk, which costs less than a walk
    // of their own.
    b.edgeState = static_cast<uint8_t>(b.edgeState / 2);
    for (Shape& shape : b.shapes) {
        assert(outlinesInStep(shape));
        predictShapeOutline(shape, motion, b.model, b.edgeState == edgesLaidOut);
        predictSweptCircle(shape, motion);
        widenContactBox(box, shape);
    }
    b.contactBox = box;
}

void layOutPendingEdges(Body& b) {
    for (Shape& shape : b.shapes) layOutShapeEdges(shape);
    b.edgeState = edgesLaidOut;
}

void layOutPendingEdges(Model& m) {
    for (auto& body : m.bodies)
        if (body->edgeState == edgesPending) layOutPendingEdges(*body);
}

void correctJoint(Socket& socket, StepContext& step) {
    Plug* plug = socket.partner;
    if (plug == nullptr || socket.owner == nullptr || plug->owner == nullptr) return;
    assert(plug->partner == &socket);  // joints are partnered both ways
    Body& parent = *socket.owner;
    Body& child = *plug->owner;

    float dx = plug->predX - socket.predX;
    float dy = plug->predY - socket.predY;
    float gapSquared = dx * dx + dy * dy;
    // The tolerance grows with the pass number, so a joint that cannot close
    // exactly stops asking for passes.
    if (gapSquared < 0.25 + 0.01 * step.passCount) return;

    float gap = std::sqrt(gapSquared);
    float nx = dx / gap;
    float ny = dy / gap;
    float leverParentX = plug->predX - parent.x, leverParentY = plug->predY - parent.y;
    float leverChildX = plug->predX - child.x, leverChildY = plug->predY - child.y;

    float childVelX = child.vx - child.omega * leverChildY;
    float childVelY = child.vy + child.omega * leverChildX;
    float parentVelX = parent.vx - parent.omega * leverParentY;
    float parentVelY = parent.vy + parent.omega * leverParentX;
    float relativeVelocity = (childVelX - parentVelX) * nx + (childVelY - parentVelY) * ny;
    if (relativeVelocity < 0.0f) return;  // the ends already approach each other

    float invMassParent, invInertiaParent, invMassChild, invInertiaChild;
    solverInverses(parent, invMassParent, invInertiaParent);
    solverInverses(child, invMassChild, invInertiaChild);

    float restitution = step.passCount <= 1 ? 0.5f : 0.8f;
    float leverCrossParent = cross(nx, ny, leverParentX, leverParentY);
    float leverCrossChild = cross(nx, ny, leverChildX, leverChildY);
    float denominator = invMassParent + invMassChild + leverCrossParent * leverCrossParent * invInertiaParent +
                        leverCrossChild * leverCrossChild * invInertiaChild;
    if (!(denominator > 0.0f)) return;  // both ends immovable: nothing to correct
    float magnitude = (1.0f + restitution) * relativeVelocity / denominator;
    float impulseX = magnitude * nx;
    float impulseY = magnitude * ny;

    parent.vx += invMassParent * impulseX;
    parent.vy += invMassParent * impulseY;
    parent.omega += cross(leverParentX, leverParentY, impulseX, impulseY) * invInertiaParent;
    child.vx -= invMassChild * impulseX;
    child.vy -= invMassChild * impulseY;
    child.omega -= cross(leverChildX, leverChildY, impulseX, impulseY) * invInertiaChild;

    clearAccelerations(parent);
    clearAccelerations(child);
    predictBody(parent, step);
    predictBody(child, step);
    unsettle(step);
    if (step.countingLate) countLate(child.lateJointFixes);
}

void commitTree(Body& b, const StepContext& step) {
    float dt = step.stepTime;
    float newX = b.x + (b.vx * dt + 0.5f * b.ax * dt * dt);
    float newY = b.y + (b.vy * dt + 0.5f * b.ay * dt * dt);
    float newAngle = b.angle + (b.omega * dt + 0.5f * b.alpha * dt * dt);
    bool finiteMotion = std::isfinite(newX) && std::isfinite(newY) && std::isfinite(newAngle) && std::isfinite(b.vx) &&
                        std::isfinite(b.vy) && std::isfinite(b.omega);
    if (finiteMotion) {
        PredictedMotion motion = PredictedMotion::of(b);
        for (SpringEnd& grab : b.grabs) grab.point = motion.apply(grab.point.x, grab.point.y);
        b.x = newX;
        b.y = newY;
        b.angle = newAngle;
    } else {
        // A step that blew up must not leave NaN or infinity in the world:
        // the body keeps its pose and stops.
        b.vx = b.vy = b.omega = 0.0f;
    }
    b.ax = b.ay = 0.0f;
    b.alpha = 0.0f;

    BodyFrame frame(b);
    for (Shape& shape : b.shapes) {
        if (finiteMotion)
            for (size_t i = 0; i < shape.contours.size(); ++i) shape.curContours[i] = shape.predContours[i];
        Point centre = frame.toWorld(shape.localCentreX, shape.localCentreY);
        shape.centreX = centre.x;
        shape.centreY = centre.y;
    }
    placeAnchors(b.sockets, frame);
    placeAnchors(b.plugs, frame);
    // The commit never leaves a pose that is not a number: a step that blew
    // up keeps the old one.
    assert(std::isfinite(b.x) && std::isfinite(b.y) && std::isfinite(b.angle));

    for (Socket& socket : b.sockets)
        if (socket.partner && socket.partner->owner) commitTree(*socket.partner->owner, step);
}

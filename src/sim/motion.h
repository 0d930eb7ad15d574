// Body motion: springs, gravity and the limb force, prediction, joint
// correction and commit. dt is always the step's stepTime.
#pragma once

#include <cmath>

#include "sim/records.h"
#include "sim/step_context.h"
#include "sim/step_keys.h"

// Below this an inverse mass counts as 0 (bolted or skipped body).
constexpr double negligibleInverseMass = 1e-90;

void applyForceAt(SpringEnd& end, float forceX, float forceY);
void applySpring(Spring& spring);

// Numbers the tree (serial, from step.bodySerial), adds gravity and the
// limb force (keys.lift), integrates velocities with the stepTime still in
// force and, with keys.freeze, stops the root translating; depth first
// from b. It recurses once a level: a tree holds at most maxBodiesPerWorld
// bodies (the reader leaves larger models out), so never deeper than that.
void advanceTree(Body& b, StepContext& step, const StepKeys& keys = {});

// Full prediction: resets the model's box, then predicts every body.
void predictModel(Model& m, const StepContext& step);
void predictBody(Body& b, const StepContext& step);

// Lays out the pending edge data of a and b (see Body::edgeState) and notes
// the read, so that their next prediction lays it out at once; every contact
// test of their shapes comes after it. It writes to both bodies, so only the
// thread that owns their model may call it: the parallel previews of model
// pairs only read, what layOutPendingEdges laid out model by model before.
void layOutPendingEdges(Body& b);  // for edgesPending: leaves b edgesLaidOut
inline void readEdgesOf(Body& a, Body& b) {
    if (a.edgeState == edgesPending) layOutPendingEdges(a);
    if (b.edgeState == edgesPending) layOutPendingEdges(b);
    a.edgeState = edgesRead;
    b.edgeState = edgesRead;
}

// Lays out the pending edge data of m's bodies without noting a read: for
// readers outside the contact tests (the state after a step) and for the
// parallel previews.
void layOutPendingEdges(Model& m);

// Pulls the child's plug (the socket's partner) towards the socket; the
// tolerance and the restitution depend on step.passCount, and a correction
// unsettles the pass.
void correctJoint(Socket& socket, StepContext& step);

// Makes the prediction the new pose, depth first from b (recursing as
// advanceTree does).
void commitTree(Body& b, const StepContext& step);

// A body the solvers leave alone: no finite positive mass and not bolted
// (no shapes, zero or non-finite mass). It keeps its pose.
inline bool isInertBody(const Body& b) {
    if (b.flags & boltedFlag) return false;
    return !(b.mass > 0.0f && std::isfinite(b.mass) && std::isfinite(b.invMass) && b.inertia > 0.0f &&
             std::isfinite(b.inertia) && std::isfinite(b.invInertia));
}

// Whether no impulse can move b: bolted, inert, or with an inverse mass
// below negligibleInverseMass. The solvers give it inverse mass and inertia 0.
// Inline: the contact loop asks it for every body pair.
inline bool isImmovable(const Body& b) {
    return isInertBody(b) || static_cast<double>(b.invMass) < negligibleInverseMass;
}

// The inverse mass and inertia a solver uses: 0 for immovable bodies.
void solverInverses(const Body& b, float& invMass, float& invInertia);

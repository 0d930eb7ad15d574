#include "sim/contact_pairs.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "sim/contact_kernel.h"
#include "sim/contact_response.h"
#include "sim/motion.h"
#include "sim/pair_notes.h"

namespace {

// A pair's contacts are tried at most this often per pass; the pass loop
// picks up what is left.
constexpr int attemptsPerPair = 4;

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

bool anyShapesMeet(const Body& a, const Body& b) {
    for (const Shape& s : a.shapes)
        for (const Shape& t : b.shapes)
            if (sweptCirclesMeet(s, t)) return true;
    return false;
}

// The contacts of one attempt: B's vertices against A's edges, then A's
// against B's, whose normals point out of B and are turned round. A shape
// pair whose swept circles are apart adds nothing (its part is all zeros,
// and adding zeros to a sum that started at +0 leaves every bit of it), so
// only the pairs that meet are tested. False when no pair meets.
//
// Both ways of a meeting pair are tested at once (testShapePair), yet the
// sum must be formed in the order above, all of A's parts before any of
// B's. Contacts are rare, so B's first part with some is kept aside, and
// B's parts after it are tested again once A's are all added.
//
// `someMeet`: some shape pair is known to meet (the pair has just passed
// anyShapesMeet), which for bodies of one shape each is the only pair.
bool sumContacts(const Body& a, const Body& b, ContactSum& sum, bool someMeet) {
    if (a.shapes.size() == 1 && b.shapes.size() == 1) {
        // Most bodies have one shape: the loops below with one pass each.
        const Shape& s = a.shapes.front();
        const Shape& t = b.shapes.front();
        if (!someMeet && !sweptCirclesMeet(s, t)) return false;
        ContactSum partOfA, partOfB;
        testShapePair(s, a, t, b, partOfA, partOfB);
        if (partOfA.count > 0) add(sum, partOfA, 1.0f);
        if (partOfB.count > 0) add(sum, partOfB, -1.0f);
        return true;
    }
    const Shape* endOfA = a.shapes.data() + a.shapes.size();
    const Shape* endOfB = b.shapes.data() + b.shapes.size();
    const Shape* waitingS = nullptr;  // the pair of B's first part with contacts
    const Shape* waitingT = nullptr;
    ContactSum partOfB;
    bool anyMeet = false;
    for (const Shape* s = a.shapes.data(); s != endOfA; ++s)
        for (const Shape* t = b.shapes.data(); t != endOfB; ++t) {
            if (!sweptCirclesMeet(*s, *t)) continue;
            anyMeet = true;
            ContactSum part;
            if (waitingS == nullptr) {
                testShapePair(*s, a, *t, b, part, partOfB);
                if (partOfB.count > 0) waitingS = s, waitingT = t;
            } else {
                part = testShapes(*s, a, *t);
            }
            if (part.count > 0) add(sum, part, 1.0f);
        }
    if (!anyMeet) return false;
    if (waitingS == nullptr) return true;
    add(sum, partOfB, -1.0f);
    const Shape* t = waitingT + 1;
    for (const Shape* s = waitingS; s != endOfA; ++s, t = b.shapes.data())
        for (; t != endOfB; ++t)
            if (sweptCirclesMeet(*s, *t)) {
                ContactSum part = testShapes(*t, b, *s);
                if (part.count > 0) add(sum, part, -1.0f);
            }
    return true;
}

// collideBodies for a pair whose swept circles are known to meet.
bool collideMeetingBodies(Body& a, Body& b, StepContext& step) {
    // Two immovable bodies never make a contact: in float arithmetic a still
    // vertex's prediction is not always exactly its current position, so
    // crossings could be found, and a response would move neither body but
    // keep the pass loop going to its limit.
    if (isImmovable(a) && isImmovable(b)) return false;
    PairNotes* notes = step.pairNotes;
    if (notes != nullptr && notes->foundNothing(a, b)) return false;
    bool responded = false;
    for (int attempt = 0; attempt < attemptsPerPair; ++attempt) {
        readEdgesOf(a, b);
        ContactSum sum;
        // Only the first attempt follows anyShapesMeet: a response moves
        // the two bodies.
        if (!sumContacts(a, b, sum, attempt == 0) || sum.count <= 0) {
            if (notes != nullptr) notes->rememberNothing(a, b);
            return responded;
        }
        respond(sum, a, b, step);
        predictBody(a, step);
        predictBody(b, step);
        responded = true;
    }
    return responded;
}

// The union of two sweep boxes: a box meets it whenever it meets either.
SweepBox unionOf(SweepBox a, const SweepBox& b) {
    a.minX = std::min(a.minX, b.minX);
    a.minY = std::min(a.minY, b.minY);
    a.maxX = std::max(a.maxX, b.maxX);
    a.maxY = std::max(a.maxY, b.maxY);
    a.mask |= b.mask;
    a.wild = a.wild || b.wild;
    return a;
}

}  // namespace

SweepBox contactBounds(const Body& b) {
    SweepBox box = emptyContactBox();
    for (const Shape& shape : b.shapes) widenContactBox(box, shape);
    return box;
}

bool collideModels(Model& a, Model& b, StepContext& step) {
    if (boxesApart(a, b)) return false;
    step.pairTestCount += static_cast<uint64_t>(a.bodies.size()) * b.bodies.size();
    // Most body pairs here have no shape pair whose swept circles meet. The
    // contact boxes the prediction keeps, and their union over B, pass over
    // most of them without reading a shape: a pair whose boxes do not meet
    // has no shape pair that meets (see contactBounds), so collideBodies
    // would return at once. A response predicts its two bodies again, and
    // so renews their boxes; B's union only widens. (A union of one box
    // would only repeat the pair's test.)
    bool manyInB = b.bodies.size() > 1;
    SweepBox allOfB = emptyContactBox();
    if (manyInB)
        for (const auto& bodyB : b.bodies) allOfB = unionOf(allOfB, bodyB->contactBox);
    bool responded = false;
    for (auto& bodyA : a.bodies) {
        if (manyInB && !boxesMayMeet(bodyA->contactBox, allOfB)) continue;
        for (auto& bodyB : b.bodies) {
            if (!boxesMayMeet(bodyA->contactBox, bodyB->contactBox) || !anyShapesMeet(*bodyA, *bodyB)) continue;
            if (collideMeetingBodies(*bodyA, *bodyB, step)) {
                responded = true;
                if (manyInB) allOfB = unionOf(allOfB, bodyB->contactBox);
            }
        }
    }
    return responded;
}

ModelPairPreview previewModels(const Model& a, const Model& b) {
    if (boxesApart(a, b)) return ModelPairPreview::apart;
    for (const auto& bodyA : a.bodies)
        for (const auto& bodyB : b.bodies) {
            if (!anyShapesMeet(*bodyA, *bodyB) || (isImmovable(*bodyA) && isImmovable(*bodyB))) continue;
            assert(bodyA->edgeState != edgesPending && bodyB->edgeState != edgesPending);  // laid out before
            // The first attempt of collideBodies responds when any part
            // has a contact.
            for (const Shape& s : bodyA->shapes)
                for (const Shape& t : bodyB->shapes)
                    if (testShapes(s, *bodyA, t).count > 0 || testShapes(t, *bodyB, s).count > 0)
                        return ModelPairPreview::contact;
        }
    return ModelPairPreview::nothing;
}

bool collideBodies(Body& a, Body& b, StepContext& step) {
    // Both early ends leave everything as it was: no shape pair meets, or the
    // two bodies are immovable (see collideMeetingBodies).
    if (!anyShapesMeet(a, b)) return false;
    return collideMeetingBodies(a, b, step);
}

#include "sim/step.h"

#include <algorithm>
#include <string>

#include "sim/contacts.h"
#include "sim/globals.h"
#include "sim/motion.h"
#include "sim/pair_sweep.h"
#include "sim/random.h"

uint64_t solverPassTotal = 0;

namespace {

constexpr int32_t passLimit = 255;
constexpr int32_t passesReported = 200;  // steps needing more are written to console 0

// Holding K for minutes would otherwise grow the time scale to infinity and
// turn every body into NaN. Far below that the sub-steps are already so long
// that nothing useful is simulated, so growth stops here.
constexpr float maxTimeScale = 1.0e4f;

void applyTimeScaleKeys(const StepKeys& keys) {
    if (keys.faster) timeScale = std::min<float>(timeScale * 1.01, std::max(timeScale, maxTimeScale));
    if (keys.slower) timeScale = timeScale / 1.01;
    if (keys.normalSpeed) timeScale = 1.0f;
}

Body* rootBody(const Model& m) { return m.rootPlug ? m.rootPlug->owner : nullptr; }

// Springs, gravity, the limb force and velocity integration, with the dt of
// the previous cycle (or frame).
void startCycle(World& w, const StepKeys& keys) {
    bodySerial = 0;
    for (Spring& spring : w.springs) applySpring(spring);
    for (auto& model : w.models)
        if (Body* root = rootBody(*model)) advanceTree(*root, keys);
}

// Below these counts the pair loops run plainly: a sweep would cost more
// than the box tests it saves.
constexpr size_t modelsWorthSweeping = 8;
constexpr size_t bodiesWorthSweeping = 8;

// Storage that every pass of one world step reuses, so that no pass
// allocates: the visiting order and the two broad-phase tables.
struct StepScratch {
    std::vector<uint32_t> order;
    PairSweep modelSweep;          // model boxes; slots are visiting positions
    PairSweep bodySweep;           // contact bounds of one model's bodies
    const Model* bodySweepModel = nullptr;
    bool bodiesKnowTheirModel = true;  // a prediction widens only its own model's box

    void prepare(const World& w) {
        size_t mostBodies = 0;
        for (const auto& model : w.models) {
            mostBodies = std::max(mostBodies, model->bodies.size());
            for (const auto& body : model->bodies)
                if (body->model != model.get()) bodiesKnowTheirModel = false;
        }
        order.reserve(w.models.size());
        modelSweep.reserve(w.models.size());
        bodySweep.reserve(mostBodies);
    }
};

SweepBox modelBox(const Model& m) { return SweepBox::around(m.minX, m.minY, m.maxX, m.maxY); }

// The pairs of bodies inside one model: the plain loop i < j, skipping the
// pairs whose contact bounds do not meet (collideBodies would find nothing
// for them; they still count as pair tests).
void collideBodiesOfModel(Model& m, StepScratch& scratch) {
    size_t count = m.bodies.size();
    if (count < bodiesWorthSweeping) {
        for (size_t i = 0; i < count; ++i)
            for (size_t j = i + 1; j < count; ++j) collideBodies(*m.bodies[i], *m.bodies[j]);
        return;
    }
    PairSweep& sweep = scratch.bodySweep;
    if (scratch.bodySweepModel != &m) sweep.sortedOnce = false;
    scratch.bodySweepModel = &m;
    sweep.begin(count);
    for (size_t i = 0; i < count; ++i) sweep.place(i, i, contactBounds(*m.bodies[i]));
    sweep.sweep();
    uint64_t tested = 0;
    for (size_t i = 0; i < count; ++i) {
        for (size_t j = sweep.nextCandidate(i, i + 1); j < count; j = sweep.nextCandidate(i, j + 1)) {
            ++tested;
            if (collideBodies(*m.bodies[i], *m.bodies[j])) {
                sweep.update(i, contactBounds(*m.bodies[i]));
                sweep.update(j, contactBounds(*m.bodies[j]));
            }
        }
    }
    pairTestCount += static_cast<uint64_t>(count) * (count - 1) / 2 - tested;
}

void solveModelWith(Model& m, StepScratch& scratch) {
    size_t count = m.bodies.size();
    for (size_t i = 1; i < count; ++i) {
        Body& body = *m.bodies[i];
        if (body.parentPlug >= body.plugs.size()) continue;
        if (Socket* socket = body.plugs[body.parentPlug].partner) correctJoint(*socket);
    }
    collideBodiesOfModel(m, scratch);
}

// Every pair of models in the visiting order, a before b. Pairs whose
// boxes are apart when the loop reaches them are skipped: collideModels
// would return at once. Boxes only widen within the loop, and a widened
// box is put back into the sweep at once, so no meeting pair is missed.
void collideAllModels(World& w, StepScratch& scratch) {
    const std::vector<uint32_t>& order = scratch.order;
    size_t n = w.models.size();
    if (n < modelsWorthSweeping || !scratch.bodiesKnowTheirModel) {
        for (size_t a = 0; a < n; ++a)
            for (size_t b = a + 1; b < n; ++b) collideModels(*w.models[order[a]], *w.models[order[b]]);
        return;
    }
    PairSweep& sweep = scratch.modelSweep;
    sweep.begin(n);
    for (size_t position = 0; position < n; ++position)
        sweep.place(order[position], position, modelBox(*w.models[order[position]]));
    sweep.sweep();
    for (size_t a = 0; a < n; ++a) {
        for (size_t b = sweep.nextCandidate(a, a + 1); b < n; b = sweep.nextCandidate(a, b + 1)) {
            // A response may have widened either box.
            if (collideModels(*w.models[order[a]], *w.models[order[b]])) {
                sweep.update(order[a], modelBox(*w.models[order[a]]));
                sweep.update(order[b], modelBox(*w.models[order[b]]));
            }
        }
    }
}

// One pass: predict if dt changed, solve every model in a shuffled order,
// then collide every pair of models in that order.
void solverPass(World& w, StepScratch& scratch, float& lastStep) {
    passCount += 1;
    solverPassTotal += 1;
    settled = 1;
    size_t modelCount = w.models.size();
    drawVisitingOrder(scratch.order, modelCount);

    if (stepTime != lastStep)
        for (auto& model : w.models) predictModel(*model);

    for (size_t k = 0; k < modelCount; ++k) solveModelWith(*w.models[scratch.order[k]], scratch);
    collideAllModels(w, scratch);

    lastStep = stepTime;
    // From the fifth pass on the sub-step shrinks by 1.5 % a pass, so a pile
    // that will not settle still converges in time.
    if (passCount > 3) stepTime = stepTime * 0.985;
}

void commitCycle(World& w) {
    for (auto& model : w.models)
        if (Body* root = rootBody(*model)) commitTree(*root);
}

}  // namespace

void drawVisitingOrder(std::vector<uint32_t>& order, size_t modelCount) {
    order.resize(modelCount);
    for (size_t i = 0; i < modelCount; ++i) order[i] = static_cast<uint32_t>(i);
    for (size_t i = modelCount > 0 ? modelCount - 1 : 0; i >= 1; --i) {
        size_t j = static_cast<size_t>(nextRandom()) % i;
        std::swap(order[i], order[j]);
    }
}

void stepAllWorlds(const StepKeys& keys, std::string* hardSteps) {
    for (size_t i = 0; i < worlds.size(); ++i) stepWorld(*worlds[i], keys, hardSteps);
}

void stepWorld(World& w, const StepKeys& keys, std::string* hardSteps) {
    applyTimeScaleKeys(keys);
    float consumed = 0.0f;
    currentWorld = &w;
    StepScratch scratch;  // reused by every pass: no allocation inside a pass
    scratch.prepare(w);

    do {
        startCycle(w, keys);
        stepTime = timeScale - consumed;
        passCount = 0;
        float lastStep = -1.0f;  // forces a full prediction in the first pass
        do {
            solverPass(w, scratch, lastStep);
        } while (settled == 0 && passCount < passLimit);
        stepTime = lastStep;  // the dt of the final predictions
        commitCycle(w);
        consumed += stepTime;
    } while (consumed < 0.9 * timeScale && passCount < passLimit);

    if (passCount > passesReported && hardSteps != nullptr) *hardSteps += std::to_string(passCount) + "\n";
    w.stepCount += 1;
}

void solveModel(Model& m) {
    StepScratch scratch;
    solveModelWith(m, scratch);
}

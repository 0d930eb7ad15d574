#include "sim/step.h"

#include <algorithm>
#include <cassert>
#include <string>

#include "sim/contact_pairs.h"
#include "sim/globals.h"
#include "sim/motion.h"
#include "sim/pair_sweep.h"
#include "sim/random.h"
#include "sim/step_crew.h"
#include "sim/step_scratch.h"
#include "sim/storm_record.h"

namespace {

constexpr int32_t passLimit = 255;
constexpr int32_t passesReported = latePassesFrom;  // steps needing more are written to console 0

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
void startCycle(World& w, StepContext& step, const StepKeys& keys) {
    step.bodySerial = 0;
    for (Spring& spring : w.springs) applySpring(spring);
    for (auto& model : w.models)
        if (Body* root = rootBody(*model)) advanceTree(*root, step, keys);
}

// Below these counts the pair loops run plainly: a sweep would cost more
// than the box tests it saves. The plain body loop tests the boxes the
// prediction keeps (a figure of a dozen bodies has 66 pairs, fewer box
// tests than a sweep costs).
constexpr size_t modelsWorthSweeping = 8;
constexpr size_t bodiesWorthSweeping = 24;

// What the parts of a pass work with.
struct Pass {
    World& world;
    StepContext& step;
    StepScratch& scratch;
    StepCrew* crew;  // null: the calling thread alone
};

SweepBox modelBox(const Model& m) { return SweepBox::around(m.minX, m.minY, m.maxX, m.maxY); }

// The pairs of bodies inside one model: the plain loop i < j, skipping the
// pairs whose contact bounds do not meet (collideBodies would find nothing
// for them; they still count as pair tests).
void collideBodiesOfModel(Model& m, StepContext& step, StepScratch& scratch, int member) {
    size_t count = m.bodies.size();
    if (count < bodiesWorthSweeping) {
        for (size_t i = 0; i < count; ++i)
            for (size_t j = i + 1; j < count; ++j)
                if (boxesMayMeet(m.bodies[i]->contactBox, m.bodies[j]->contactBox))
                    collideBodies(*m.bodies[i], *m.bodies[j], step);
        return;
    }
    PairSweep& sweep = scratch.bodySweeps[static_cast<size_t>(member)];
    const Model*& sweptModel = scratch.bodySweepModels[static_cast<size_t>(member)];
    if (sweptModel != &m) sweep.sortedOnce = false;
    sweptModel = &m;
    sweep.begin(count);
    for (size_t i = 0; i < count; ++i) sweep.place(i, i, m.bodies[i]->contactBox);
    sweep.sweep();
    for (size_t i = 0; i < count; ++i) {
        for (size_t j = sweep.nextCandidate(i, i + 1); j < count; j = sweep.nextCandidate(i, j + 1)) {
            if (collideBodies(*m.bodies[i], *m.bodies[j], step)) {
                sweep.update(i, m.bodies[i]->contactBox);
                sweep.update(j, m.bodies[j]->contactBox);
            }
        }
    }
}

// Touches only m's bodies, m's box and the contact memory of m's body pairs.
void solveModelWith(Model& m, StepContext& step, StepScratch& scratch, int member) {
    size_t count = m.bodies.size();
    for (size_t i = 1; i < count; ++i) {
        Body& body = *m.bodies[i];
        if (body.parentPlug >= body.plugs.size()) continue;
        if (Socket* socket = body.plugs[body.parentPlug].partner) correctJoint(*socket, step);
    }
    collideBodiesOfModel(m, step, scratch, member);
}

// Model pairs are tested in parallel before the ordered loop, without
// changing anything: most find nothing, and the loop can pass over those
// whose models no response has moved since. Candidates are taken in chunks,
// so that a thread claims many pairs at once.
constexpr size_t previewChunk = 32;

void previewModelPairs(const Pass& pass) {
    World& w = pass.world;
    StepScratch& scratch = pass.scratch;
    const PairSweep& sweep = scratch.modelSweep;
    const std::vector<uint32_t>& order = scratch.order;
    size_t n = w.models.size();
    scratch.candidates.clear();
    for (size_t a = 0; a < n; ++a)
        for (size_t b = sweep.nextCandidate(a, a + 1); b < n; b = sweep.nextCandidate(a, b + 1))
            scratch.candidates.push_back({static_cast<uint32_t>(a), static_cast<uint32_t>(b)});
    scratch.previews.resize(scratch.candidates.size());
    std::fill(scratch.touched.begin(), scratch.touched.end(), uint8_t{0});
    size_t chunks = (scratch.candidates.size() + previewChunk - 1) / previewChunk;
    pass.crew->forEach(chunks, [&](size_t chunk, int) {
        size_t end = std::min(scratch.candidates.size(), (chunk + 1) * previewChunk);
        for (size_t i = chunk * previewChunk; i < end; ++i) {
            ModelPair pair = scratch.candidates[i];
            scratch.previews[i] = previewModels(*w.models[order[pair.a]], *w.models[order[pair.b]]);
        }
    });
}

// Every pair of models in the visiting order, a before b. Pairs whose
// boxes are apart when the loop reaches them are skipped: collideModels
// would return at once. Boxes only widen within the loop, and a widened
// box is put back into the sweep at once, so no meeting pair is missed.
// With a crew, the pairs are first previewed in parallel (see below).
void collideAllModels(const Pass& pass) {
    World& w = pass.world;
    StepScratch& scratch = pass.scratch;
    StepCrew* crew = pass.crew;
    const std::vector<uint32_t>& order = scratch.order;
    size_t n = w.models.size();
    if (n < modelsWorthSweeping || !scratch.bodiesKnowTheirModel) {
        for (size_t a = 0; a < n; ++a)
            for (size_t b = a + 1; b < n; ++b) collideModels(*w.models[order[a]], *w.models[order[b]], pass.step);
        return;
    }
    PairSweep& sweep = scratch.modelSweep;
    sweep.begin(n);
    for (size_t position = 0; position < n; ++position)
        sweep.place(order[position], position, modelBox(*w.models[order[position]]));
    sweep.sweep();
    if (crew != nullptr) previewModelPairs(pass);

    size_t next = 0;  // the first candidate not yet passed
    for (size_t a = 0; a < n; ++a) {
        for (size_t b = sweep.nextCandidate(a, a + 1); b < n; b = sweep.nextCandidate(a, b + 1)) {
            Model& modelA = *w.models[order[a]];
            Model& modelB = *w.models[order[b]];
            if (crew != nullptr) {
                // A preview still holds when no response of this loop has
                // moved either model since: the same inputs, the same test.
                ModelPair pair{static_cast<uint32_t>(a), static_cast<uint32_t>(b)};
                while (next < scratch.candidates.size() && scratch.candidates[next].before(pair)) ++next;
                bool previewed = next < scratch.candidates.size() && scratch.candidates[next] == pair;
                if (previewed && !scratch.touched[order[a]] && !scratch.touched[order[b]]) {
                    ModelPairPreview preview = scratch.previews[next];
                    if (preview == ModelPairPreview::apart) continue;
                    if (preview == ModelPairPreview::nothing) {
                        pass.step.pairTestCount += static_cast<uint64_t>(modelA.bodies.size()) * modelB.bodies.size();
                        continue;
                    }
                }
            }
            // A response may have widened either box.
            if (collideModels(modelA, modelB, pass.step)) {
                if (crew != nullptr) scratch.touched[order[a]] = scratch.touched[order[b]] = 1;
                sweep.update(order[a], modelBox(modelA));
                sweep.update(order[b], modelBox(modelB));
            }
        }
    }
}

// One pass: predict if dt changed, solve every model in a shuffled order,
// then collide every pair of models in that order. With a crew, the
// predictions and the models' own work run in parallel: each touches only
// its own model, so their order changes no result.
void solverPass(const Pass& pass, float& lastStep) {
    World& w = pass.world;
    StepContext& step = pass.step;
    StepScratch& scratch = pass.scratch;
    step.passCount += 1;
    step.solverPassTotal += 1;
    step.countingLate = step.storms != nullptr && step.passCount > countedPassesFrom;
    step.lateCounted = step.lateCounted || step.countingLate;
    step.settled = 1;
    size_t modelCount = w.models.size();
    drawVisitingOrder(scratch.order, modelCount);
    step.pairTestCount += scratch.pairsInsideModels;

    if (pass.crew != nullptr) {
        if (step.stepTime != lastStep)
            pass.crew->forEach(modelCount, [&](size_t k, int) { predictModel(*w.models[k], step); });
        pass.crew->forEach(modelCount, [&](size_t k, int member) {
            Model& m = *w.models[scratch.order[k]];
            solveModelWith(m, step, scratch, member);
            // The previews read the edges of a model from several threads at
            // once, so none may lay them out: each model's thread does it here,
            // after the model's last prediction before them.
            layOutPendingEdges(m);
        });
    } else {
        if (step.stepTime != lastStep)
            for (auto& model : w.models) predictModel(*model, step);
        for (size_t k = 0; k < modelCount; ++k) solveModelWith(*w.models[scratch.order[k]], step, scratch, 0);
    }
    collideAllModels(pass);

    lastStep = step.stepTime;
    // From the fifth pass on the sub-step shrinks by 1.5 % a pass, so a pile
    // that will not settle still converges in time.
    if (step.passCount > 3) step.stepTime = step.stepTime * 0.985;
}

void commitCycle(World& w, const StepContext& step) {
    for (auto& model : w.models)
        if (Body* root = rootBody(*model)) commitTree(*root, step);
}

// The crew a world step shares its passes with, or null: threads only for
// worlds with models enough to share out, and only when every model's work
// keeps to its own model.
StepCrew* crewFor(const World& w, StepScratch& scratch) {
    int threads = std::min<int>(stepThreads(), static_cast<int>(w.models.size()));
    bool shared = threads > 1 && scratch.modelsIndependent();
    StepCrew* crew = shared ? &stepCrew() : nullptr;
    scratch.equip(w.models.size(), crew ? crew->size() : 1);
    return crew;
}

}  // namespace

void drawVisitingOrder(std::vector<uint32_t>& order, size_t modelCount) {
    order.resize(modelCount);
    for (size_t i = 0; i < modelCount; ++i) order[i] = static_cast<uint32_t>(i);
    for (size_t i = modelCount > 0 ? modelCount - 1 : 0; i >= 1; --i) {
        size_t j = static_cast<size_t>(nextRandom()) % i;
        assert(j < i);  // no model keeps its place: the order is one cycle
        std::swap(order[i], order[j]);
    }
}

void stepAllWorlds(const StepKeys& keys, std::string* hardSteps) {
    for (size_t i = 0; i < worlds.size(); ++i) stepWorld(*worlds[i], keys, hardSteps);
}

void stepWorld(World& w, const StepKeys& keys, std::string* hardSteps) {
    StepContext& step = stepContext;
    applyTimeScaleKeys(keys);
    float consumed = 0.0f;
    step.currentWorld = &w;
    StepScratch& scratch = stepScratch();
    scratch.prepare(w);
    Pass pass{w, step, scratch, crewFor(w, scratch)};
    bool reachedLimit = false;
    bool reported = false;  // a cycle went past passesReported

    do {
        scratch.pairNotes.beginCycle();
        startCycle(w, step, keys);
        // Serials key the notes: only when every body got one of its own.
        bool ownSerials = scratch.everyModelRooted && static_cast<size_t>(step.bodySerial) == scratch.bodyCount;
        PairNotes* notes = ownSerials ? &scratch.pairNotes : nullptr;
        step.pairNotes = notes;
        step.stepTime = timeScale - consumed;
        step.passCount = 0;
        float lastStep = -1.0f;  // forces a full prediction in the first pass
        do {
            // From the fifth pass every body is predicted again in every
            // pass: no note would hold, so none is kept.
            step.pairNotes = step.passCount < 4 ? notes : nullptr;
            solverPass(pass, lastStep);
        } while (step.settled == 0 && step.passCount < passLimit);
        step.stepTime = lastStep;  // the dt of the final predictions
        reachedLimit = reachedLimit || step.passCount >= passLimit;
        reported = reported || step.passCount > passesReported;
        if (step.storms != nullptr) step.storms->framePeak = std::max(step.storms->framePeak, step.passCount);
        commitCycle(w, step);
        consumed += step.stepTime;
        // With flush-to-zero a sub-step below the smallest normal float (a
        // shrunk one, or the rest of a tiny time scale) is 0, while the test
        // in double precision still sees time left: such a cycle consumed
        // nothing, and so would every one after it. The frame ends there, as
        // it does at a time scale of 0.
    } while (step.stepTime > 0.0f && consumed < 0.9 * timeScale && step.passCount < passLimit);

    // Whatever reads the world between steps (the state dump, the history)
    // finds every edge laid out.
    for (auto& model : w.models) layOutPendingEdges(*model);
    if (step.passCount > passesReported && hardSteps != nullptr) *hardSteps += std::to_string(step.passCount) + "\n";
    if (step.lateCounted && step.storms != nullptr) gatherStorm(w, reported, reachedLimit, *step.storms);
    step.lateCounted = step.countingLate = false;
    step.pairNotes = nullptr;
    w.stepCount += 1;
}

void solveModel(Model& m, StepContext& step) {
    StepScratch& scratch = stepScratch();
    scratch.equip(1, 1);
    solveModelWith(m, step, scratch, 0);
}

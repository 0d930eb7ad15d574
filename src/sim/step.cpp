#include "sim/step.h"

#include <algorithm>
#include <cassert>
#include <optional>
#include <string>

#include "sim/contacts.h"
#include "sim/globals.h"
#include "sim/motion.h"
#include "sim/pair_sweep.h"
#include "sim/random.h"
#include "sim/step_crew.h"

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

// A model pair of the pass's candidate table: positions in the visiting order.
struct ModelPair {
    uint32_t a = 0, b = 0;

    bool operator==(const ModelPair&) const = default;
    bool before(const ModelPair& other) const { return a != other.a ? a < other.a : b < other.b; }
};

// Storage that every pass of one world step reuses, so that no pass
// allocates: the visiting order, the broad-phase tables (one for the body
// pairs of each crew member) and, with a crew, the previews of model pairs.
struct StepScratch {
    std::vector<uint32_t> order;
    PairSweep modelSweep;               // model boxes; slots are visiting positions
    std::vector<PairSweep> bodySweeps;  // contact bounds of one model's bodies
    std::vector<const Model*> bodySweepModels;
    bool bodiesKnowTheirModel = true;        // a prediction widens only its own model's box
    bool everyModelRooted = true;            // every body gets its own serial
    uint64_t pairsInsideModels = 0;          // body pairs of all models: n·(n - 1)/2 each
    size_t mostBodies = 0;                   // in one model
    std::vector<ModelPair> candidates;       // model pairs whose boxes met at the pass's sweep
    std::vector<ModelPairPreview> previews;  // one per candidate
    std::vector<uint8_t> touched;            // by model index: a response in this pass moved it

    void prepare(const World& w) {
        for (const auto& model : w.models) {
            mostBodies = std::max(mostBodies, model->bodies.size());
            size_t count = model->bodies.size();
            pairsInsideModels += static_cast<uint64_t>(count) * (count > 0 ? count - 1 : 0) / 2;
            if (model->rootPlug == nullptr) everyModelRooted = false;
            for (const auto& body : model->bodies)
                if (body->model != model.get()) bodiesKnowTheirModel = false;
        }
        order.reserve(w.models.size());
        modelSweep.reserve(w.models.size());
    }
    // Storage for a crew of crewSize threads (1: the calling thread alone).
    void equip(const World& w, int crewSize) {
        size_t n = w.models.size();
        bodySweeps.resize(static_cast<size_t>(crewSize));
        bodySweepModels.assign(static_cast<size_t>(crewSize), nullptr);
        for (PairSweep& sweep : bodySweeps) sweep.reserve(mostBodies);
        if (crewSize > 1) {
            candidates.reserve(n * (n > 0 ? n - 1 : 0) / 2);
            previews.reserve(n * (n > 0 ? n - 1 : 0) / 2);
            touched.resize(n);
        }
    }
    // Whether the parts of a pass may run on several threads: each model's
    // work then touches only that model's bodies, box and contact memory.
    bool modelsIndependent() const { return bodiesKnowTheirModel && everyModelRooted; }
};

SweepBox modelBox(const Model& m) { return SweepBox::around(m.minX, m.minY, m.maxX, m.maxY); }

// The pairs of bodies inside one model: the plain loop i < j, skipping the
// pairs whose contact bounds do not meet (collideBodies would find nothing
// for them; they still count as pair tests).
void collideBodiesOfModel(Model& m, StepScratch& scratch, int member) {
    size_t count = m.bodies.size();
    if (count < bodiesWorthSweeping) {
        for (size_t i = 0; i < count; ++i)
            for (size_t j = i + 1; j < count; ++j) collideBodies(*m.bodies[i], *m.bodies[j]);
        return;
    }
    PairSweep& sweep = scratch.bodySweeps[static_cast<size_t>(member)];
    const Model*& sweptModel = scratch.bodySweepModels[static_cast<size_t>(member)];
    if (sweptModel != &m) sweep.sortedOnce = false;
    sweptModel = &m;
    sweep.begin(count);
    for (size_t i = 0; i < count; ++i) sweep.place(i, i, contactBounds(*m.bodies[i]));
    sweep.sweep();
    for (size_t i = 0; i < count; ++i) {
        for (size_t j = sweep.nextCandidate(i, i + 1); j < count; j = sweep.nextCandidate(i, j + 1)) {
            if (collideBodies(*m.bodies[i], *m.bodies[j])) {
                sweep.update(i, contactBounds(*m.bodies[i]));
                sweep.update(j, contactBounds(*m.bodies[j]));
            }
        }
    }
}

// Touches only m's bodies, m's box and the contact memory of m's body pairs.
void solveModelWith(Model& m, StepScratch& scratch, int member) {
    size_t count = m.bodies.size();
    for (size_t i = 1; i < count; ++i) {
        Body& body = *m.bodies[i];
        if (body.parentPlug >= body.plugs.size()) continue;
        if (Socket* socket = body.plugs[body.parentPlug].partner) correctJoint(*socket);
    }
    collideBodiesOfModel(m, scratch, member);
}

// Model pairs are tested in parallel before the ordered loop, without
// changing anything: most find nothing, and the loop can pass over those
// whose models no response has moved since. Candidates are taken in chunks,
// so that a thread claims many pairs at once.
constexpr size_t previewChunk = 32;

void previewModelPairs(World& w, StepScratch& scratch, StepCrew& crew) {
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
    crew.forEach(chunks, [&](size_t chunk, int) {
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
void collideAllModels(World& w, StepScratch& scratch, StepCrew* crew) {
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
    if (crew != nullptr) previewModelPairs(w, scratch, *crew);

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
                        pairTestCount += static_cast<uint64_t>(modelA.bodies.size()) * modelB.bodies.size();
                        continue;
                    }
                }
            }
            // A response may have widened either box.
            if (collideModels(modelA, modelB)) {
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
void solverPass(World& w, StepScratch& scratch, StepCrew* crew, float& lastStep) {
    passCount += 1;
    solverPassTotal += 1;
    settled = 1;
    size_t modelCount = w.models.size();
    drawVisitingOrder(scratch.order, modelCount);
    pairTestCount += scratch.pairsInsideModels;

    if (crew != nullptr) {
        if (stepTime != lastStep) crew->forEach(modelCount, [&](size_t k, int) { predictModel(*w.models[k]); });
        crew->forEach(modelCount,
                      [&](size_t k, int member) { solveModelWith(*w.models[scratch.order[k]], scratch, member); });
    } else {
        if (stepTime != lastStep)
            for (auto& model : w.models) predictModel(*model);
        for (size_t k = 0; k < modelCount; ++k) solveModelWith(*w.models[scratch.order[k]], scratch, 0);
    }
    collideAllModels(w, scratch, crew);

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
        assert(j < i);  // no model keeps its place: the order is one cycle
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
    // Threads only for worlds with models enough to share out, and only
    // when every model's work keeps to its own model.
    StepScratch scratch;  // reused by every pass: no allocation inside a pass
    int threads = std::min<int>(stepThreads(), static_cast<int>(w.models.size()));
    scratch.prepare(w);
    int crewSize = threads > 1 && scratch.modelsIndependent() ? threads : 1;
    scratch.equip(w, crewSize);
    std::optional<StepCrew> crew;
    if (crewSize > 1) crew.emplace(crewSize);

    do {
        startCycle(w, keys);
        stepTime = timeScale - consumed;
        passCount = 0;
        float lastStep = -1.0f;  // forces a full prediction in the first pass
        do {
            solverPass(w, scratch, crew ? &*crew : nullptr, lastStep);
        } while (settled == 0 && passCount < passLimit);
        stepTime = lastStep;  // the dt of the final predictions
        commitCycle(w);
        consumed += stepTime;
        // With flush-to-zero a sub-step below the smallest normal float (a
        // shrunk one, or the rest of a tiny time scale) is 0, while the test
        // in double precision still sees time left: such a cycle consumed
        // nothing, and so would every one after it. The frame ends there, as
        // it does at a time scale of 0.
    } while (stepTime > 0.0f && consumed < 0.9 * timeScale && passCount < passLimit);

    if (passCount > passesReported && hardSteps != nullptr) *hardSteps += std::to_string(passCount) + "\n";
    w.stepCount += 1;
}

void solveModel(Model& m) {
    StepScratch scratch;
    scratch.bodySweeps.resize(1);
    scratch.bodySweepModels.resize(1);
    solveModelWith(m, scratch, 0);
}

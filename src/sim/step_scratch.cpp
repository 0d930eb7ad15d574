#include "sim/step_scratch.h"

#include <algorithm>

StepScratch& stepScratch() {
    static StepScratch scratch;
    return scratch;
}

void StepScratch::prepare(const World& w) {
    bodiesKnowTheirModel = true;
    everyModelRooted = true;
    pairsInsideModels = 0;
    mostBodies = 0;
    bodyCount = 0;
    for (const auto& model : w.models) {
        mostBodies = std::max(mostBodies, model->bodies.size());
        size_t count = model->bodies.size();
        bodyCount += count;
        pairsInsideModels += static_cast<uint64_t>(count) * (count > 0 ? count - 1 : 0) / 2;
        if (model->rootPlug == nullptr) everyModelRooted = false;
        for (const auto& body : model->bodies)
            if (body->model != model.get()) bodiesKnowTheirModel = false;
    }
    // The sweeps' orders belong to the last world stepped: sorted afresh.
    modelSweep.sortedOnce = false;
    for (PairSweep& sweep : bodySweeps) sweep.sortedOnce = false;
    std::fill(bodySweepModels.begin(), bodySweepModels.end(), nullptr);
    pairNotes.reserve();
    order.reserve(w.models.size());
    modelSweep.reserve(w.models.size());
}

void StepScratch::equip(size_t modelCount, int crewSize) {
    size_t n = modelCount;
    if (bodySweeps.size() < static_cast<size_t>(crewSize)) {
        bodySweeps.resize(static_cast<size_t>(crewSize));
        bodySweepModels.resize(static_cast<size_t>(crewSize), nullptr);
    }
    for (PairSweep& sweep : bodySweeps) sweep.reserve(mostBodies);
    if (crewSize > 1) {
        candidates.reserve(n * (n > 0 ? n - 1 : 0) / 2);
        previews.reserve(n * (n > 0 ? n - 1 : 0) / 2);
        touched.resize(n);
    }
}

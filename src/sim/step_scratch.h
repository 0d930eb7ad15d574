// Storage that every pass of every world step reuses, so that no pass
// allocates: the visiting order, the broad-phase tables (one for the body
// pairs of each crew member) and, with a crew, the previews of model pairs.
// There is one for the process, made with the crew (stepScratch()); each
// world step starts by reading its world's facts into it (prepare), and
// the storage grows to the largest world and stays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/contact_pairs.h"
#include "sim/pair_notes.h"
#include "sim/pair_sweep.h"
#include "sim/records.h"

// A model pair of the pass's candidate table: positions in the visiting order.
struct ModelPair {
    uint32_t a = 0, b = 0;

    bool operator==(const ModelPair&) const = default;
    bool before(const ModelPair& other) const { return a != other.a ? a < other.a : b < other.b; }
};

struct StepScratch {
    std::vector<uint32_t> order;
    PairSweep modelSweep;               // model boxes; slots are visiting positions
    std::vector<PairSweep> bodySweeps;  // contact bounds of one model's bodies
    std::vector<const Model*> bodySweepModels;
    std::vector<ModelPair> candidates;       // model pairs whose boxes met at the pass's sweep
    std::vector<ModelPairPreview> previews;  // one per candidate
    std::vector<uint8_t> touched;            // by model index: a response in this pass moved it
    PairNotes pairNotes;

    // Facts of the world being stepped, read by prepare.
    bool bodiesKnowTheirModel = true;  // a prediction widens only its own model's box
    bool everyModelRooted = true;      // every body gets its own serial
    uint64_t pairsInsideModels = 0;    // body pairs of all models: n·(n - 1)/2 each
    size_t mostBodies = 0;             // in one model
    size_t bodyCount = 0;              // in the world

    // Reads w's facts and starts the sweeps afresh.
    void prepare(const World& w);
    // Storage for a crew of crewSize threads (1: the calling thread alone).
    void equip(size_t modelCount, int crewSize);
    // Whether the parts of a pass may run on several threads: each model's
    // work then touches only that model's bodies, box and contact memory.
    bool modelsIndependent() const { return bodiesKnowTheirModel && everyModelRooted; }
};

// The process's scratch.
StepScratch& stepScratch();

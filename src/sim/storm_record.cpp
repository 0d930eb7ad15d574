#include "sim/storm_record.h"

#include <vector>

#include "sim/records.h"

namespace {

std::string describe(const Body& body) {
    const Model* model = body.model;
    size_t index = 0;
    if (model != nullptr)
        while (index < model->bodies.size() && model->bodies[index].get() != &body) ++index;
    std::string name = body.name.empty() ? "body " + std::to_string(index) : "body \"" + body.name + "\"";
    std::string label =
        model == nullptr || model->label.empty() ? std::string("model") : "model \"" + model->label + "\"";
    std::string place = body.origin.file.empty()
                            ? std::string()
                            : " (" + body.origin.file + ":" + std::to_string(body.origin.line) + ")";
    return name + " of " + label + place;
}

void add(StormRecord& record, std::string what, uint64_t count, uint64_t& worstCount, std::string& worst) {
    if (count > worstCount) {
        worstCount = count;
        worst = what;
    }
    record.corrections[std::move(what)] += count;
}

}  // namespace

void gatherStorm(World& world, bool storm, bool reachedLimit, StormRecord& record) {
    // Serials are the rows of the contact memory; the step hands them out
    // afresh every cycle, the same way each time.
    std::vector<Body*> bySerial(maxBodiesPerWorld, nullptr);
    for (auto& model : world.models)
        for (auto& body : model->bodies)
            if (body->serial >= 0 && body->serial < maxBodiesPerWorld)
                bySerial[static_cast<size_t>(body->serial)] = body.get();
    uint64_t worstCount = 0;
    std::string worst;
    for (int first = 0; first < maxBodiesPerWorld; ++first)
        for (int second = 0; second < maxBodiesPerWorld; ++second) {
            PairMemory& memory = world.pairMemory(first, second);
            if (memory.lateHits == 0) continue;
            Body* a = bySerial[static_cast<size_t>(first)];
            Body* b = bySerial[static_cast<size_t>(second)];
            if (storm && a != nullptr && b != nullptr)
                add(record, "contact: " + describe(*a) + " and " + describe(*b), memory.lateHits, worstCount, worst);
            memory.lateHits = 0;
        }
    for (auto& model : world.models)
        for (auto& body : model->bodies) {
            if (body->lateJointFixes == 0) continue;
            const Plug* plug = body->parentPlug < body->plugs.size() ? &body->plugs[body->parentPlug] : nullptr;
            const Body* parent = plug && plug->partner ? plug->partner->owner : nullptr;
            if (storm && parent != nullptr)
                add(record, "joint: " + describe(*body) + " hung from " + describe(*parent), body->lateJointFixes,
                    worstCount, worst);
            body->lateJointFixes = 0;
        }
    if (reachedLimit) record.stepsAtLimit += 1;
    if (storm && worstCount > 0) {
        record.latestWorst = worst;
        record.latestWorstCount = worstCount;
    }
}

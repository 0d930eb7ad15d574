#include "sim/step.h"

#include <algorithm>
#include <string>

#include "app/input_state.h"
#include "render/overlay_consoles.h"
#include "sim/contacts.h"
#include "sim/globals.h"
#include "sim/motion.h"
#include "sim/random.h"

namespace {

constexpr int32_t passLimit = 255;
constexpr int32_t passesReported = 200;  // steps needing more are written to console 0

// Holding K for minutes would otherwise grow the time scale to infinity and
// turn every body into NaN. Far below that the sub-steps are already so long
// that nothing useful is simulated, so growth stops here.
constexpr float maxTimeScale = 1.0e4f;

void applyTimeScaleKeys() {
    if (keyHeld(vk::k)) timeScale = std::min<float>(timeScale * 1.01, std::max(timeScale, maxTimeScale));
    if (keyHeld(vk::l)) timeScale = timeScale / 1.01;
    if (keyHeld(vk::j)) timeScale = 1.0f;
}

Body* rootBody(const Model& m) { return m.rootPlug ? m.rootPlug->owner : nullptr; }

// Springs, gravity, the limb force and velocity integration, with the dt of
// the previous cycle (or frame).
void startCycle(World& w) {
    bodySerial = 0;
    for (Spring* spring : w.springs) applySpring(*spring);
    for (auto& model : w.models)
        if (Body* root = rootBody(*model)) advanceTree(*root);
}

// One pass: predict if dt changed, solve every model in a shuffled order,
// then collide every pair of models in that order.
void solverPass(World& w, std::vector<uint32_t>& order, float& lastStep) {
    passCount += 1;
    settled = 1;
    size_t modelCount = w.models.size();
    drawVisitingOrder(order, modelCount);

    if (stepTime != lastStep)
        for (auto& model : w.models) predictModel(*model);

    for (size_t k = 0; k < modelCount; ++k) solveModel(*w.models[order[k]]);
    for (size_t a = 0; a < modelCount; ++a)
        for (size_t b = a + 1; b < modelCount; ++b) collideModels(*w.models[order[a]], *w.models[order[b]]);

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

void stepAllWorlds() {
    for (size_t i = 0; i < worlds.size(); ++i) stepWorld(*worlds[i]);
}

void stepWorld(World& w) {
    applyTimeScaleKeys();
    float consumed = 0.0f;
    currentWorld = &w;
    std::vector<uint32_t> order;
    order.reserve(w.models.size());  // reused by every pass: no allocation inside a pass

    do {
        startCycle(w);
        stepTime = timeScale - consumed;
        passCount = 0;
        float lastStep = -1.0f;  // forces a full prediction in the first pass
        do {
            solverPass(w, order, lastStep);
        } while (settled == 0 && passCount < passLimit);
        stepTime = lastStep;  // the dt of the final predictions
        commitCycle(w);
        consumed += stepTime;
    } while (consumed < 0.9 * timeScale && passCount < passLimit);

    if (passCount > passesReported) overlayConsole(0) += std::to_string(passCount) + "\n";
    w.stepCount += 1;
}

void solveModel(Model& m) {
    size_t count = m.bodies.size();
    for (size_t i = 1; i < count; ++i) {
        Body& body = *m.bodies[i];
        if (body.parentPlug >= body.plugs.size()) continue;
        if (Socket* socket = body.plugs[body.parentPlug].partner) correctJoint(*socket);
    }
    for (size_t i = 0; i < count; ++i)
        for (size_t j = i + 1; j < count; ++j) collideBodies(*m.bodies[i], *m.bodies[j]);
}

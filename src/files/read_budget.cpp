#include "files/read_budget.h"

#include "files/diagnostics.h"
#include "files/line_counting_buffer.h"

ReadBudget* readBudgetOf(std::istream& input) {
    LineCountingBuffer* counting = countingBufferOf(input);
    return counting ? &counting->readBudget() : nullptr;
}

void stopRead(std::istream& input, const std::string& why) {
    LineCountingBuffer* counting = countingBufferOf(input);
    if (counting == nullptr || !counting->readBudget().stopped) reportReadProblem(input, why);
    if (counting != nullptr) counting->stopRead();
    input.setstate(std::ios::failbit);
}

static bool charge(std::istream& input, uint64_t ReadBudget::*counter, uint64_t count, uint64_t limit,
                   const char* what) {
    ReadBudget* budget = readBudgetOf(input);
    if (budget == nullptr) return true;
    if (budget->stopped) return false;
    if (budget->*counter + count > limit) {
        stopRead(input, "more than " + groupedNumber(limit) + " " + what + " in one read; reading stops here");
        return false;
    }
    budget->*counter += count;
    return true;
}

bool chargePoints(std::istream& input, uint64_t count) {
    return charge(input, &ReadBudget::points, count, maxPointsPerRead, "points");
}

bool chargePart(std::istream& input) {
    return charge(input, &ReadBudget::parts, 1, maxPartsPerRead, "models, bodies, shapes, sockets, plugs and textures");
}

bool chargeWorld(std::istream& input) { return charge(input, &ReadBudget::worlds, 1, maxWorldsPerRead, "worlds"); }

BodyNesting::BodyNesting(std::istream& input) : budget(readBudgetOf(input)) {
    if (budget == nullptr) return;
    if (budget->bodyDepth >= maxBodyNesting) {
        stopRead(input, "bodies nested deeper than " + std::to_string(maxBodyNesting) + "; reading stops here");
        budget = nullptr;
        isEntered = false;
        return;
    }
    budget->bodyDepth += 1;
}

BodyNesting::~BodyNesting() {
    if (budget != nullptr) budget->bodyDepth -= 1;
}

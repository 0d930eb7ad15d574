#include "app/input_state.h"

std::array<uint8_t, 256> keys{};
Point mousePos{};

void resetInputState() {
    keys.fill(0);
    mousePos = Point{};
}

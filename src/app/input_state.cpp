#include "app/input_state.h"

std::array<uint8_t, 256> keys{};

void resetInputState() { keys.fill(0); }

StepKeys heldStepKeys() {
    return StepKeys{.faster = keyHeld(vk::k),
                    .slower = keyHeld(vk::l),
                    .normalSpeed = keyHeld(vk::j),
                    .lift = keyHeld(vk::space),
                    .freeze = keyHeld(vk::f9)};
}

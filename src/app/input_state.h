// The key table: written only by the window procedure, read by the loop
// (pacing, F1), the step (through heldStepKeys) and the Ctrl release. The
// cursor is the mouse's (mouse/cursor.h). Kept free of any window system.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "sim/step_keys.h"

// One flag per virtual-key code, 1 while the key is held.
extern std::array<uint8_t, 256> keys;

// Virtual-key codes the program reads.
namespace vk {
constexpr int returnKey = 0x0D;
constexpr int control = 0x11;
constexpr int menu = 0x12;  // Alt
constexpr int space = 0x20;
constexpr int j = 0x4A;
constexpr int k = 0x4B;
constexpr int l = 0x4C;
constexpr int s = 0x53;
constexpr int f1 = 0x70;
constexpr int f2 = 0x71;
constexpr int f3 = 0x72;
constexpr int f9 = 0x78;
constexpr int f10 = 0x79;
}  // namespace vk

inline bool keyHeld(int virtualKey) { return keys[static_cast<size_t>(virtualKey) & 0xFF] != 0; }

// The keys the step reads, as they are held now.
StepKeys heldStepKeys();

void resetInputState();

// Keys that change what the window shows, not what is simulated: Home (the
// default view), H (help panel), F11 (statistics line), F8 (screenshot).
// Each acts once per press, not on the repeats of a held key; the key table
// is set as for every key.
#pragma once

#include "app/window_procedure.h"

namespace vk {
constexpr int home = 0x24;
constexpr int h = 0x48;
constexpr int f8 = 0x77;
constexpr int f11 = 0x7A;
}  // namespace vk

// A WM_KEYDOWN after the key table has taken it.
void onViewKeyDown(Shell& shell, const Message& message);

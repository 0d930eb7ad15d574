#include "render/overlay_consoles.h"

#include <algorithm>

std::array<std::string, consoleCount> overlayConsoles;

std::string& overlayConsole(int number) {
    int clamped = std::clamp(number, firstConsole, lastConsole);
    return overlayConsoles[static_cast<size_t>(clamped - firstConsole)];
}

void resetOverlayConsoles() {
    for (auto& console : overlayConsoles) console.clear();
}

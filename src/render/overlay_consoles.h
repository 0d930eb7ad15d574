// The eleven text columns drawn over the scene, numbered -1 to 9. Any code
// may append text; the overlay draws them and trims each to its last lines.
#pragma once

#include <array>
#include <string>

constexpr int firstConsole = -1;
constexpr int lastConsole = 9;
constexpr int consoleCount = lastConsole - firstConsole + 1;

extern std::array<std::string, consoleCount> overlayConsoles;

// Console `number` (-1..9); numbers outside the range are clamped.
std::string& overlayConsole(int number);

void resetOverlayConsoles();

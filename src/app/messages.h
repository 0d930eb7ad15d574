// The window messages the program handles. They keep the numbers and
// parameter packing of the Win32 messages the program was designed around,
// so the window procedure is written once, tested with synthetic messages,
// and records of sessions are the same on every platform.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Message numbers.
namespace wm {
constexpr uint32_t size = 0x0005;
constexpr uint32_t activate = 0x0006;
constexpr uint32_t close = 0x0010;
constexpr uint32_t quit = 0x0012;
constexpr uint32_t keyDown = 0x0100;
constexpr uint32_t keyUp = 0x0101;
constexpr uint32_t sysKeyDown = 0x0104;
constexpr uint32_t sysKeyUp = 0x0105;
constexpr uint32_t sysCommand = 0x0112;
constexpr uint32_t mouseMove = 0x0200;
constexpr uint32_t leftButtonDown = 0x0201;
constexpr uint32_t leftButtonUp = 0x0202;
constexpr uint32_t rightButtonDown = 0x0204;
constexpr uint32_t rightButtonUp = 0x0205;
constexpr uint32_t middleButtonDown = 0x0207;
constexpr uint32_t middleButtonUp = 0x0208;
// wParam's high half: the turn, signed, in wheelNotch units (up or away
// from the user is positive). lParam: the client point under the cursor,
// as for the buttons (Win32 gives screen coordinates; the program has none).
constexpr uint32_t mouseWheel = 0x020A;
constexpr uint32_t dropFiles = 0x0233;
}  // namespace wm

// WM_SYSCOMMAND commands that must not start (screen saver, monitor power-saving).
namespace sc {
constexpr uintptr_t screenSave = 0xF140;
constexpr uintptr_t monitorPower = 0xF170;
}  // namespace sc

struct Message {
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    // WM_DROPFILES: the dropped paths, in the order the window system
    // numbers them.
    std::vector<std::string> files;
};

// Client coordinates and sizes travel as two unsigned 16-bit halves.
inline intptr_t packLParam(int low, int high) {
    return static_cast<intptr_t>((static_cast<uint32_t>(low) & 0xFFFFu) |
                                 ((static_cast<uint32_t>(high) & 0xFFFFu) << 16));
}
inline uint32_t lowWord(intptr_t value) { return static_cast<uint32_t>(value) & 0xFFFFu; }
inline uint32_t highWord(intptr_t value) { return (static_cast<uint32_t>(value) >> 16) & 0xFFFFu; }

// One notch of a mouse wheel in WM_MOUSEWHEEL's units; finer wheels send parts of it.
constexpr int wheelNotch = 120;
inline int wheelTurn(uintptr_t wParam) {
    return static_cast<int16_t>(static_cast<uint16_t>((static_cast<uint64_t>(wParam) >> 16) & 0xFFFFu));
}
inline uintptr_t wheelWParam(int turn) { return static_cast<uintptr_t>(static_cast<uint16_t>(turn)) << 16; }

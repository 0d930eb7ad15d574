// The keys that put time in the user's hands: P pauses and resumes, O steps
// one frame while paused, Backspace runs time backwards through the history,
// R reads the worlds again, F5 saves the state. The window procedure hands
// every key press here; the loop asks, pass by pass, what time does. They
// are plain key messages, so records and replays carry them like any other.
#pragma once

#include <string>

#include "render/frame_overlay.h"

// Virtual-key codes of the time keys.
namespace vk {
constexpr int backspace = 0x08;
constexpr int o = 0x4F;
constexpr int p = 0x50;
constexpr int r = 0x52;
constexpr int f5 = 0x74;
}  // namespace vk

struct TimeControl {
    bool paused = false;            // P: no stepping until P again
    bool stepRequested = false;     // O while paused: the next pass steps once
    bool restartRequested = false;  // R: the worlds are read again before the next step
    bool saveRequested = false;     // F5: the state goes to a file after this pass's message
    bool rewinding = false;         // Backspace held this pass
    bool worldsReplaced = false;    // R, a dropped state or --watch read the worlds anew: the history goes
    float rewoundSeconds = 0.0f;    // how far back the shown frame lies, while rewinding
    std::string notice;             // a short-lived line ("state saved: NAME")
    long noticePasses = 0;          // passes the notice is still shown
    std::string shownStatus;        // the status line this put up last
};

// How long a notice stays on the status line: three seconds at 50 frames.
constexpr long noticeLifePasses = 150;

// A key press. `wasHeld`: the key table had the key down already, so this
// is an auto-repeat: P toggles only on a fresh press, O steps on every one.
void onTimeKeyDown(TimeControl& time, int virtualKey, bool wasHeld);

// Whether this pass steps forward (F1 is the caller's): not while paused,
// except once after O.
bool takeStep(TimeControl& time);

// A line for the status line (shown for noticeLifePasses).
void showNotice(TimeControl& time, std::string text);

// What the status line says about time this pass: "rewinding: -2.40 s",
// then a notice, then "paused"; empty while time runs plainly.
std::string timeStatus(const TimeControl& time);

// Puts timeStatus on the overlay's status line when it changes, and counts
// the notice down. A line another part of the program put up stays until
// time has something new to say.
void showTimeStatus(TimeControl& time, FrameOverlay& overlay);

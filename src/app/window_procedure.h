// The window procedure: turns the window's messages into the key table, the
// cursor position and the program's few actions: the mouse-button fan-out,
// dropped files, resize, the Alt+Enter display toggle and quit. Stepping and
// drawing stay in the main loop.
#pragma once

#include <cstdint>

#include "app/on_screen.h"
#include "app/time_control.h"
#include "app/view_input.h"
#include "app/window_recording.h"
#include "app/window_system.h"
#include "render/renderer.h"
#include "sim/records.h"

// What the window procedure acts on: the window system (quit, the default
// procedure, the window re-made at the toggle) and the renderer (the view,
// and the font and textures of a new context).
struct Shell {
    WindowSystem& windowSystem;
    Renderer& renderer;
    FrameOverlay overlay{};                // what the next frame shows over the scene
    ViewControl viewControl{};             // zoom and pan
    OnScreen onScreen{};                   // help panel, statistics line, screenshots
    TimeControl time{};                    // pause, single steps, rewinding and their requests
    WindowRecording* recording = nullptr;  // F12; none without a window
};

// Handles one message; messages it does not handle go to the window
// system's default procedure, whose result it returns.
intptr_t windowProcedure(Shell& shell, const Message& message);

// The cursor in world coordinates for a client point packed in lParam, in
// the default view: origin at the centre of the view, y up, one unit per
// pixel. A view size past largestViewSize counts as that size.
Point mouseWorldPosition(intptr_t lParam);

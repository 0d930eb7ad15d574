// The program's one window and its OpenGL context: opening (windowed or
// full screen, with the windowed fallback), closing, and matching the view
// to the client area. The steps go through the Platform seam, so the
// sequence and every failure path run the same under SDL2 and in tests.
#pragma once

#include <string>

#include "app/platform.h"

// Process-wide window state; handles are 0 when absent.
struct WindowState {
    Handle instanceHandle = 0;
    Handle windowHandle = 0;
    Handle deviceContext = 0;
    Handle renderContext = 0;
    PixelFormatRequest pixelFormat;  // built once, reused by every open
    bool pixelFormatSet = false;     // the first open fixes its colour depth
};

extern WindowState windowState;

constexpr const char* windowClassName = "OpenGL";
constexpr const char* windowTitle = "Vantor";

// True when a window with a current rendering context exists; false after a
// failure has been reported and whatever was built torn down. Sets
// `fullscreen` (cleared again when the user accepts the windowed fallback).
bool openWindow(Platform& platform, const std::string& title, int width, int height, int colourBits,
                bool fullscreenRequested);

// Releases what openWindow built, in reverse order, reporting each failed
// release; safe with any subset of the handles present.
void closeWindow(Platform& platform);

// Viewport and centred pixel projection for a client area of width x
// height; sets viewWidth and viewHeight. A height of 0 counts as 1.
void resizeView(Platform& platform, int width, int height);

// The projection resizeView applies: integer halves, so an odd size loses a pixel.
ViewProjection viewProjectionFor(int width, int height);

// A size setting as whole pixels: truncated toward zero, held to the range
// of int (a non-number counts as 0) so no setting can overflow the conversion.
int pixelsFromSetting(float size);

void resetWindowState();

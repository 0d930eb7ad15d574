#include "files/settings.h"

float windowedWidth = 0.0f, windowedHeight = 0.0f;
float fullscreenWidth = 0.0f, fullscreenHeight = 0.0f;
float viewWidth = 0.0f, viewHeight = 0.0f;
bool fullscreen = false;

void resetSettings() {
    windowedWidth = windowedHeight = 0.0f;
    fullscreenWidth = fullscreenHeight = 0.0f;
    viewWidth = viewHeight = 0.0f;
    fullscreen = false;
}

static void fillPair(float& width, float& height) {
    if (width > 0.0f && height > 0.0f) return;
    width = defaultViewWidth;
    height = defaultViewHeight;
}

void fillUnsetSizes() {
    fillPair(windowedWidth, windowedHeight);
    fillPair(fullscreenWidth, fullscreenHeight);
    if (viewWidth > 0.0f && viewHeight > 0.0f) return;
    viewWidth = fullscreen ? fullscreenWidth : windowedWidth;
    viewHeight = fullscreen ? fullscreenHeight : windowedHeight;
}

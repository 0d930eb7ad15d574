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

// The shell's part of every frame drawn: the overlay filled in before
// drawing (help panel, statistics line, notices) and an asked-for
// screenshot taken after it, before the frame is shown.
#pragma once

#include "app/window_procedure.h"

void beforeDrawing(Shell& shell);
void afterDrawing(Shell& shell);

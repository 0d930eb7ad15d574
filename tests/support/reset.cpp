#include "support/reset.h"

#include "app/input_state.h"
#include "assets/textures.h"
#include "files/diagnostics.h"
#include "files/settings.h"
#include "mouse/cursor.h"
#include "render/overlay_consoles.h"
#include "render/window.h"
#include "sim/globals.h"
#include "sim/random.h"
#include "sim/step_crew.h"

void resetProcessState() {
    resetSimulationGlobals();
    setStepThreads(1);
    resetRandom();
    resetInputState();
    resetCursor();
    resetOverlayConsoles();
    resetSettings();
    resetDiagnosticSink();
    resetWindowState();
    resetTextures();
}

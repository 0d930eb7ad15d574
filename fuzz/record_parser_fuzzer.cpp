// libFuzzer target: the record parser behind --replay (records travel with
// bug reports). Any input is either refused with one short line, or read;
// what is read must write back to lines that read the same again, ask for
// no pass past 2^31 (a replay of it would run for years), and replay on a
// small world with a grabbable box for its first passes without a number
// that is not finite (a view line once carried the cursor to infinity).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "app/input_state.h"
#include "app/main_loop.h"
#include "app/replay.h"
#include "app/window_procedure.h"
#include "files/diagnostics.h"
#include "files/reader.h"
#include "files/settings.h"
#include "mouse/cursor.h"
#include "render/overlay_consoles.h"
#include "sim/float_mode.h"
#include "sim/globals.h"
#include "sim/step.h"
#include "support/reset.h"
#include "support/world_builder.h"

namespace {

// A floor and a floating box under the centre of a 400 x 300 view.
const char* replayWorld = R"(
W {
  M { x= 0 -120 P { ! BOLTED g { x= 0 0 } p { v -190 -10 v 190 -10 v 190 10 v -190 10 } } }
  M { x= 0 0 P { ! NOGRAVITY g { x= 0 0 } p { v -40 -40 v 40 -40 v 40 40 v -40 40 } } }
}
)";

void replayBriefly(std::vector<ReplayEntry> entries) {
    static std::ostringstream notes;
    resetProcessState();
    enableFlushToZero();
    notes.str("");
    diagnosticSink = &notes;
    viewWidth = 400.0f;
    viewHeight = 300.0f;
    std::istringstream world(replayWorld);
    loadFile(world, "", "<replay>");
    // A drop reads whatever file it names; the session target drops files.
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [](const ReplayEntry& entry) {
                                     return entry.kind == ReplayEntry::Kind::message &&
                                            entry.message.message == wm::dropFiles;
                                 }),
                  entries.end());

    HeadlessWindowSystem windowSystem;
    NullRenderer renderer;
    Shell shell{windowSystem, renderer};
    ReplaySource replay(windowSystem, std::move(entries), true);
    constexpr int maxPasses = 120;
    for (int pass = 0; pass < maxPasses && !replay.finished(); ++pass) {
        if (!handleOneMessage(shell, replay)) break;
        if (!keyHeld(vk::f1)) stepAllWorlds(heldStepKeys(), &overlayConsole(0));
        finishFrame();
    }
    if (!std::isfinite(mousePos.x) || !std::isfinite(mousePos.y)) std::abort();
    for (const auto& w : worlds)
        if (!worldIsFinite(*w)) std::abort();
    resetProcessState();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
    std::string error;
    auto entries = parseReplay(input, error);
    if (!entries) {
        if (error.empty() || error.size() > 200 || error.find('\n') != std::string::npos) std::abort();
        return 0;
    }
    std::string written = std::string(recordHeader) + "\n";
    for (const ReplayEntry& entry : *entries) {
        if (entry.iteration > (1L << 31)) std::abort();
        written += formatReplayEntry(entry) + "\n";
    }
    std::istringstream again(written);
    auto reread = parseReplay(again, error);
    if (!reread || reread->size() != entries->size()) std::abort();
    for (size_t i = 0; i < entries->size(); ++i)
        if (formatReplayEntry((*reread)[i]) != formatReplayEntry((*entries)[i])) std::abort();
    replayBriefly(std::move(*entries));
    return 0;
}

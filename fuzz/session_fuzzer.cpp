// libFuzzer target: a session of window messages decoded from the input
// (moves, the four buttons, Ctrl, the keys that act, drops of files from a
// fixed set and of paths that are no file, size changes) on a small world with a figure, run through the
// window procedure and the step for a bounded number of passes. Grabs, pins,
// cuts and releases own springs and grab ends; a crash, a leak, a read of
// freed memory or a number that is not finite is a finding.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/input_state.h"
#include "app/main_loop.h"
#include "app/window_procedure.h"
#include "files/diagnostics.h"
#include "files/reader.h"
#include "files/settings.h"
#include "render/overlay_consoles.h"
#include "sim/float_mode.h"
#include "sim/globals.h"
#include "sim/step.h"
#include "support/reset.h"
#include "support/world_builder.h"

namespace {

// Two worlds: a bolted floor, two boxes and a pendulum of two links in the
// first; one box in the second (mouse springs live in the last world).
const char* sessionWorld = R"(
W {
  M { x= 0 -120 P { ! BOLTED g { x= 0 0 } p { v -190 -10 v 190 -10 v 190 10 v -190 10 } } }
  M { x= -60 0 P { g { x= 0 0 } p { v -20 -20 v 20 -20 v 20 20 v -20 20 } } }
  M { x= 60 30 P { g { x= 0 0 } p { v -15 -25 v 15 -25 v 15 25 v -15 25 } } }
  M { x= 0 100 P { ! BOLTED g { x= 0 0 } s { x= 0 0 } p { v -5 -5 v 5 -5 v 5 5 v -5 5 k 1 }
                   P { g { x= 0 0 } s { x= 60 0 } p { v 0 -4 v 60 -4 v 60 4 v 0 4 k 2 }
                       P { g { x= 60 0 } p { v 60 -3 v 110 -3 v 110 3 v 60 3 k 1 } } } } }
}
W { M { x= 100 -50 P { g { x= 0 0 } p { v -10 -10 v 10 -10 v 10 10 v -10 10 } } } }
)";

// Files to drop, and paths that are none: a folder, a device without end,
// a pipe nobody writes to, and a file whose reading fails (EIO).
const std::vector<std::string>& droppable() {
    static const std::vector<std::string> paths = [] {
        std::string pipe = "/tmp/vantor-session-fuzzer-" + std::to_string(getpid()) + ".pipe";
        mkfifo(pipe.c_str(), 0600);
        return std::vector<std::string>{
            VANTOR_SOURCE_DIR "/rsc/examples/box.ini",
            VANTOR_SOURCE_DIR "/rsc/examples/pendulum.ini",
            VANTOR_SOURCE_DIR "/tests/data/drops/box.ini",
            VANTOR_SOURCE_DIR "/tests/corpus/hostile/does-not-exist.ini",
            VANTOR_SOURCE_DIR "/tests/corpus/hostile/sub",
            "/dev/zero",
            "/proc/self/mem",
            pipe,
        };
    }();
    return paths;
}

const int keysThatAct[] = {vk::control, vk::k, vk::l, vk::j, vk::space, vk::f9, vk::f1};

class Bytes {
public:
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool more() const { return at_ < size_; }
    uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// One message from the next bytes, or none (the pass goes by without one).
bool decodeMessage(Bytes& bytes, Message& message) {
    uint8_t op = bytes.next();
    auto point = [&] { return packLParam(bytes.next() * 2 - 56, bytes.next() * 2 - 106); };
    switch (op % 11) {
        case 0:
            message = {wm::mouseMove, 0, point(), {}};
            return true;
        case 1:
            message = {wm::leftButtonDown, 1, 0, {}};
            return true;
        case 2:
            message = {wm::leftButtonUp, 0, 0, {}};
            return true;
        case 3:
            message = {wm::rightButtonDown, 2, 0, {}};
            return true;
        case 4:
            message = {wm::rightButtonUp, 0, 0, {}};
            return true;
        case 5:
        case 6: {
            int key = keysThatAct[bytes.next() % std::size(keysThatAct)];
            message = {op % 11 == 5 ? wm::keyDown : wm::keyUp, static_cast<uintptr_t>(key), 0, {}};
            return true;
        }
        case 7:
            message = {wm::dropFiles, 0, 0, {droppable()[bytes.next() % droppable().size()]}};
            return true;
        case 8:
            message = {wm::size, 0, packLParam(bytes.next() * 8, bytes.next() * 6), {}};
            return true;
        default:
            return false;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::ostringstream notes;
    resetProcessState();
    enableFlushToZero();
    notes.str("");
    diagnosticSink = &notes;
    viewWidth = 400.0f;
    viewHeight = 300.0f;
    std::istringstream world(sessionWorld);
    loadFile(world, "", "<session>");

    HeadlessWindowSystem windowSystem;
    NullRenderer renderer;
    Shell shell{windowSystem, renderer};
    Bytes bytes(data, size);
    constexpr int maxPasses = 120;
    for (int pass = 0; pass < maxPasses && bytes.more(); ++pass) {
        Message message;
        if (decodeMessage(bytes, message)) windowProcedure(shell, message);
        if (!keyHeld(vk::f1)) stepAllWorlds(heldStepKeys(), &overlayConsole(0));
        finishFrame();
    }
    for (const auto& w : worlds)
        if (!worldIsFinite(*w)) std::abort();
    resetProcessState();
    return 0;
}

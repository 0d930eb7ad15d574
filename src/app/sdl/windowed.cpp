// The windowed program: the real platform, the real reader and step, GL
// texture upload and fetching of "http://" images, driven by the core loop.
#include "app/windowed.h"

#include <fstream>

#include "app/input_state.h"
#include "app/main_loop.h"
#include "app/sdl/screenshot_platform.h"
#include "app/sdl/sdl_platform.h"
#include "files/reader.h"
#include "render/gl/texture_upload.h"
#include "render/http_fetch.h"
#include "render/image_decoders.h"
#include "render/overlay_consoles.h"
#include "sim/step.h"

namespace {

// A file that cannot be opened reads as empty: the reader stops at once.
void readFile(const std::string& path, const std::string& prefix) {
    std::ifstream input(path);
    loadFile(input, prefix);
}

// The step with the keys held now; hard steps are listed in console 0.
void stepWithHeldKeys() { stepAllWorlds(heldStepKeys(), &overlayConsole(0)); }

std::optional<std::vector<uint8_t>> fetchImage(const std::string& fullPath) {
    return fetchAddress(fullPath, 2 * maxDecodedImageBytes);
}

}  // namespace

int runWindowed(const RunOptions& options) {
    if (!options.screenshotFile.empty()) {
        ScreenshotPlatform platform(options.screenshotFile, options.screenshotFrames);
        installTextureUpload();
        textureBackend.fetchAddress = fetchImage;
        int exitCode = runProgram(platform, options, ProgramActions{readFile, stepWithHeldKeys});
        return platform.written() ? exitCode : 1;
    }
    SdlPlatform platform;
    installTextureUpload();
    textureBackend.fetchAddress = fetchImage;
    ProgramActions actions;
    actions.readFile = readFile;
    actions.stepAllWorlds = stepWithHeldKeys;
    return runProgram(platform, options, actions);
}

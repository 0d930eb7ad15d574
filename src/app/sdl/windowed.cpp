// The windowed program: SDL2's window system, the GL renderer, GL texture
// upload and fetching of "http://" images, driven by the one main loop.
#include "app/windowed.h"

#include "app/main_loop.h"
#include "app/sdl/sdl_window_system.h"
#include "render/gl/gl_renderer.h"
#include "render/gl/texture_upload.h"
#include "render/images/http_fetch.h"
#include "render/images/image_decoders.h"

namespace {

std::optional<std::vector<uint8_t>> fetchImage(const std::string& fullPath) {
    return fetchAddress(fullPath, 2 * maxDecodedImageBytes);
}

}  // namespace

int runWindowed(const RunOptions& options) {
    SdlWindowSystem windowSystem(!options.screenshotFile.empty());
    GlRenderer renderer;
    installTextureUpload();
    textureBackend.fetchAddress = fetchImage;
    return runProgram(windowSystem, renderer, options, programActions());
}

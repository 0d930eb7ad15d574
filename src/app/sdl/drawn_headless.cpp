// A headless run that draws: the GL renderer and texture upload, the
// background fetch, and an SDL window nobody watches, under the headless
// loop (--video).
#include "app/main_loop.h"
#include "app/sdl/offscreen_window_system.h"
#include "app/windowed.h"
#include "assets/http_fetch.h"
#include "assets/image_decoders.h"
#include "render/gl/gl_renderer.h"
#include "render/gl/texture_upload.h"

int runDrawnHeadless(const RunOptions& options) {
    OffscreenWindowSystem windowSystem;
    GlRenderer renderer;
    installTextureUpload();
    HttpFetcher fetcher(2 * maxDecodedImageBytes);
    textureBackend.fetcher = &fetcher;
    int exitCode = runProgram(windowSystem, renderer, options, programActions());
    textureBackend.fetcher = nullptr;
    return exitCode;
}

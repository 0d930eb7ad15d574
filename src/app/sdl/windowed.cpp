// The windowed program: SDL2's window system, the GL renderer, GL texture
// upload and the background fetch of images named by addresses, driven by
// the one main loop.
#include "app/windowed.h"

#include "app/main_loop.h"
#include "app/sdl/sdl_window_system.h"
#include "assets/http_fetch.h"
#include "assets/image_decoders.h"
#include "render/gl/gl_renderer.h"
#include "render/gl/texture_upload.h"

int runDrawing(WindowSystem& windowSystem, const RunOptions& options) {
    GlRenderer renderer;
    installTextureUpload();
    // Gone with the run: requests still pending are dropped, not waited for.
    HttpFetcher fetcher(2 * maxDecodedImageBytes);
    textureBackend.fetcher = &fetcher;
    int exitCode = runProgram(windowSystem, renderer, options, programActions());
    textureBackend.fetcher = nullptr;
    return exitCode;
}

int runWindowed(const RunOptions& options) {
    // A screenshot run has nobody to answer a question or read a box.
    SdlWindowSystem windowSystem(!options.screenshotFile.empty());
    return runDrawing(windowSystem, options);
}

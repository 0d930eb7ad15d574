// libFuzzer target: the whole path a texture name takes, from the file's
// bytes to the pixels handed to the uploader. The first input byte picks the
// extension the name ends in (TGA to our decoder, PNG to libpng, any other
// to SDL2_image, which goes by the content) and the options; the rest is the
// file, handed over as the bytes read from disk or fetched would be. No
// image past maxDecodedImageBytes may be asked for or handed on (run with
// -malloc_limit_mb just above it), and what is handed on must hold exactly
// width x height pixels of its format.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "assets/image_decoders.h"
#include "assets/textures.h"

static const char* const extensions[] = {"tga",  "png", "bmp", "gif", "jpg", "pcx", "pnm", "tif",
                                         "webp", "xpm", "qoi", "lbm", "xcf", "svg", "ico", "TGA"};

static void checkUpload(TextureRecord& record, const DecodedImage& image) {
    size_t bytesPerPixel = image.format == pixelFormatRgba ? 4 : 3;
    if (image.format != pixelFormatRgba && image.format != pixelFormatRgb) std::abort();
    if (image.width == 0 || image.height == 0) std::abort();
    if (image.pixels.size() != static_cast<size_t>(image.width) * image.height * bytesPerPixel) std::abort();
    if (image.pixels.size() > maxDecodedImageBytes) std::abort();
    record.glName = 1;  // what a context would hand out
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    resetTextures();
    const uint8_t choice = data[0];
    textureOptions.fullSize = (choice & 0x10) == 0;
    textureOptions.alphaFromKey = (choice & 0x20) != 0;
    std::optional<std::vector<uint8_t>> file(std::in_place, data + 1, data + size);
    textureBackend.upload = checkUpload;

    TextureRecord record;
    loadTextureFrom(std::string("http://fuzz/picture.") + extensions[choice & 0x0F], file, record);
    return 0;
}

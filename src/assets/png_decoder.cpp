#include <png.h>

#include "assets/image_decoders.h"

bool decodePng(const std::vector<uint8_t>& file, DecodedImage& image) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, file.data(), file.size())) return false;
    // RGBA whatever the file holds: grey, palette and tRNS transparency all
    // come out as red, green, blue and the image's own alpha.
    png.format = PNG_FORMAT_RGBA;
    uint64_t bytes = static_cast<uint64_t>(png.width) * png.height * 4;
    if (png.width == 0 || png.height == 0 || bytes > maxDecodedImageBytes) {
        png_image_free(&png);
        return false;
    }
    image.pixels.assign(static_cast<size_t>(bytes), 0);
    if (!png_image_finish_read(&png, nullptr, image.pixels.data(), 0, nullptr)) {
        png_image_free(&png);
        image.pixels.clear();
        return false;
    }
    image.width = png.width;
    image.height = png.height;
    image.format = pixelFormatRgba;
    return true;
}

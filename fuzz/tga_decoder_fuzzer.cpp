// libFuzzer target: the TGA decoder on a file image in memory. An accepted
// image must hold exactly width x height pixels of its format.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "assets/image_decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> file(data, data + size);
    TextureRecord record;
    DecodedImage image;
    if (!decodeTga(file, record, image)) return 0;
    size_t bytesPerPixel = image.format == pixelFormatRgba ? 4 : 3;
    if (image.width == 0 || image.height == 0) std::abort();
    if (image.pixels.size() != static_cast<size_t>(image.width) * image.height * bytesPerPixel) std::abort();
    for (uint32_t maxSize : {64u, 1024u, 16384u}) {
        if (tgaTargetSize(image.width, maxSize) > maxSize) std::abort();
        if (tgaTargetSize(image.height, maxSize) > maxSize) std::abort();
    }
    return 0;
}

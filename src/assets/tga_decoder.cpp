#include <cmath>

#include "assets/image_decoders.h"

constexpr size_t tgaHeaderBytes = 18;
constexpr uint8_t tgaTrueColour = 2;
constexpr uint8_t tgaRunLengthTrueColour = 10;

// Reads forward through the file; every read either fits or fails.
struct ByteCursor {
    const std::vector<uint8_t>& bytes;
    size_t position = 0;

    size_t remaining() const { return bytes.size() - position; }
    const uint8_t* take(size_t count) {
        if (count > remaining()) return nullptr;
        const uint8_t* start = bytes.data() + position;
        position += count;
        return start;
    }
};

static uint32_t readLittle16(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8);
}

// Stores one file pixel (blue, green, red[, alpha]) as red, green, blue[, alpha].
static void storePixel(uint8_t* out, const uint8_t* in, size_t bytesPerPixel) {
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
    if (bytesPerPixel == 4) out[3] = in[3];
}

static bool readUncompressed(ByteCursor& cursor, DecodedImage& image, size_t bytesPerPixel) {
    const uint8_t* block = cursor.take(image.pixels.size());
    if (block == nullptr) return false;
    for (size_t offset = 0; offset < image.pixels.size(); offset += bytesPerPixel)
        storePixel(&image.pixels[offset], block + offset, bytesPerPixel);
    return true;
}

// Chunks of h + 1 literal pixels (h < 128) or one pixel repeated h - 127
// times. A chunk reaching past the last pixel refuses the whole image.
static bool readRunLength(ByteCursor& cursor, DecodedImage& image, size_t bytesPerPixel) {
    size_t pixelCount = image.pixels.size() / bytesPerPixel;
    size_t stored = 0;
    while (stored < pixelCount) {
        const uint8_t* header = cursor.take(1);
        if (header == nullptr) return false;
        bool repeat = *header >= 128;
        size_t count = repeat ? *header - 127u : *header + 1u;
        if (count > pixelCount - stored) return false;
        const uint8_t* pixel = nullptr;
        for (size_t n = 0; n < count; ++n, ++stored) {
            if (!repeat || n == 0) pixel = cursor.take(bytesPerPixel);
            if (pixel == nullptr) return false;
            storePixel(&image.pixels[stored * bytesPerPixel], pixel, bytesPerPixel);
        }
    }
    return true;
}

// A header can claim far more pixels than the file could hold; refuse
// before allocating rather than after a failed read.
static bool plausibleSize(uint64_t pixelBytes, uint64_t pixelCount, size_t fileRemaining, uint8_t type,
                          size_t bytesPerPixel) {
    if (pixelBytes > maxDecodedImageBytes) return false;
    if (type == tgaTrueColour) return pixelBytes <= fileRemaining;
    // A repeat chunk of 1 + bytesPerPixel bytes yields at most 128 pixels.
    uint64_t maxPixels = static_cast<uint64_t>(fileRemaining) / (1 + bytesPerPixel) * 128 + 128;
    return pixelCount <= maxPixels;
}

bool decodeTga(const std::vector<uint8_t>& file, TextureRecord& record, DecodedImage& image) {
    ByteCursor cursor{file};
    const uint8_t* header = cursor.take(tgaHeaderBytes);
    if (header == nullptr) return false;
    uint8_t idLength = header[0];
    uint8_t type = header[2];
    uint32_t width = readLittle16(header + 12);
    uint32_t height = readLittle16(header + 14);
    uint8_t bitsPerPixel = header[16];

    record.width = width;
    record.height = height;
    record.format = bitsPerPixel == 32 ? pixelFormatRgba : pixelFormatRgb;
    if (type != tgaTrueColour && type != tgaRunLengthTrueColour) return false;
    if (width == 0 || height == 0) return false;
    if (bitsPerPixel != 24 && bitsPerPixel != 32) return false;

    size_t bytesPerPixel = bitsPerPixel / 8u;
    uint64_t pixelCount = static_cast<uint64_t>(width) * height;
    uint64_t pixelBytes = pixelCount * bytesPerPixel;
    if (cursor.take(idLength) == nullptr) return false;
    if (!plausibleSize(pixelBytes, pixelCount, cursor.remaining(), type, bytesPerPixel)) return false;

    image.width = width;
    image.height = height;
    image.format = record.format;
    image.pixels.assign(static_cast<size_t>(pixelBytes), 0);
    bool complete = type == tgaTrueColour ? readUncompressed(cursor, image, bytesPerPixel)
                                          : readRunLength(cursor, image, bytesPerPixel);
    if (!complete) image.pixels.clear();
    return complete;
}

uint32_t tgaTargetSize(uint32_t size, uint32_t maxTextureSize) {
    if (size > maxTextureSize) return maxTextureSize;
    if (size == 0) return 0;
    double exponent = std::floor(std::log(static_cast<double>(size)) / std::log(2.0) + 0.5);
    return 1u << static_cast<uint32_t>(exponent);
}

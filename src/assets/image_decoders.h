// Image decoders behind the texture registry: TGA decoded here, PNG through
// libpng, the other picture formats through SDL2_image. None of them needs
// a GL context; they produce pixels for the uploader.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "assets/textures.h"

// Decoded images larger than this are refused: a header can claim up to
// 65535 x 65535 x 4 bytes, which no texture upload could take anyway.
constexpr uint64_t maxDecodedImageBytes = 256ull << 20;

// Reads a whole image file; nothing for a missing or unreadable file, one
// that is not a regular file, or one far larger than any image we would
// decode. Addresses never come here: they are fetched in the background.
std::optional<std::vector<uint8_t>> readImageFile(const std::string& fullPath);

// TGA, uncompressed (type 2) or run-length encoded (type 10) true colour at
// 24 or 32 bits. The header's width, height and format go into `record`
// even when the image is then refused. Pixels come out red-green-blue
// (-alpha), rows in file order.
bool decodeTga(const std::vector<uint8_t>& file, TextureRecord& record, DecodedImage& image);

// Upload size of one TGA dimension: the maximum texture size when larger,
// else the power of two nearest on a logarithmic scale.
uint32_t tgaTargetSize(uint32_t size, uint32_t maxTextureSize);

// PNG to RGBA, keeping the image's own alpha (opaque when it has none).
// Rows top row first, as the file stores them.
bool decodePng(const std::vector<uint8_t>& file, DecodedImage& image);

// BMP, JPEG, icons (ICO, CUR) and PNG content, through SDL2_image; other
// formats are refused, and so is any image past maxDecodedImageBytes, before
// SDL allocates it. RGBA with rows bottom-up (the first row in
// memory is the bottom row of the picture); alpha from the key colour or
// opaque; halved when options.fullSize is off and it is wider than 64.
bool decodePicture(const std::vector<uint8_t>& file, const TextureOptions& options, DecodedImage& image);

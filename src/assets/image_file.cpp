#include <filesystem>
#include <fstream>
#include <system_error>

#include "assets/image_decoders.h"

// No image we decode needs a file much larger than its pixels (run-length
// chunks add at most one byte per pixel).
constexpr uint64_t maxImageFileBytes = 2 * maxDecodedImageBytes;

std::optional<std::vector<uint8_t>> readImageFile(const std::string& fullPath) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(fullPath, error)) return std::nullopt;
    uint64_t size = std::filesystem::file_size(fullPath, error);
    if (error || size > maxImageFileBytes) return std::nullopt;

    std::ifstream stream(fullPath, std::ios::binary);
    if (!stream) return std::nullopt;
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    stream.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    bytes.resize(static_cast<size_t>(stream.gcount()));
    return bytes;
}

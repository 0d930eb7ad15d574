#include "render/textures.h"

#include <GL/gl.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "render/images/image_decoders.h"

TextureOptions textureOptions;
TextureBackend textureBackend;
std::array<TextureBucket, textureBucketCount> textureRegistry;

uint32_t currentMaxTextureSize() {
    uint32_t size = textureBackend.maxTextureSize ? textureBackend.maxTextureSize() : 0;
    return size != 0 ? size : defaultMaxTextureSize;
}

uint32_t textureBucketOf(const std::string& path) {
    // Unsigned arithmetic wraps exactly as the 32-bit signed sum would.
    uint32_t sum = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        auto code = static_cast<int32_t>(static_cast<int8_t>(path[i]));
        sum += static_cast<uint32_t>(code) * static_cast<uint32_t>(i);
    }
    return sum % textureBucketCount;
}

TextureRecord* acquireTexture(const std::string& path) {
    TextureBucket& bucket = textureRegistry[textureBucketOf(path)];
    for (const auto& record : bucket)
        if (record->path == path) return record.get();
    auto record = std::make_unique<TextureRecord>();
    record->path = path;
    loadTexture(path, *record);
    bucket.push_back(std::move(record));
    return bucket.back().get();
}

void reloadTextures() {
    for (TextureBucket& bucket : textureRegistry)
        for (const auto& record : bucket) loadTexture(record->path, *record);
}

// A record as acquireTexture makes it, so the new image sets every field
// the way a first load would.
static void loadAfresh(TextureRecord& record) {
    if (record.glName != 0 && textureBackend.release) textureBackend.release(record.glName);
    TextureRecord fresh;
    fresh.path = record.path;
    record = fresh;
    loadTexture(record.path, record);
}

void refreshTextures(const std::vector<std::string>& fullPaths) {
    for (TextureBucket& bucket : textureRegistry)
        for (const auto& record : bucket)
            if (std::find(fullPaths.begin(), fullPaths.end(), textureFullPath(record->path)) != fullPaths.end())
                loadAfresh(*record);
}

static bool isAddress(const std::string& path) { return path.find("http://") != std::string::npos; }

std::string textureFullPath(const std::string& path) {
    if (isAddress(path) || (!path.empty() && path.front() == '/')) return path;
    std::error_code error;
    std::filesystem::path directory = std::filesystem::current_path(error);
    return directory.string() + "/" + path;
}

std::string textureExtension(const std::string& path) {
    size_t dot = path.rfind('.');
    if (dot == std::string::npos) return {};
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

static void upload(TextureRecord& record, const DecodedImage& image) {
    if (textureBackend.upload) textureBackend.upload(record, image);
}

// The record takes the header's size and format even when the image is
// refused; it takes the upload size only once the image is decoded.
static bool loadTgaTexture(const std::string& fullPath, TextureRecord& record) {
    std::optional<std::vector<uint8_t>> file = readImageFile(fullPath);
    if (!file) return false;
    DecodedImage image;
    if (!decodeTga(*file, record, image)) return false;

    uint32_t maxSize = currentMaxTextureSize();
    uint32_t targetWidth = tgaTargetSize(image.width, maxSize);
    uint32_t targetHeight = tgaTargetSize(image.height, maxSize);
    if (!textureOptions.fullSize && targetWidth > 64) {
        targetWidth /= 2;
        targetHeight /= 2;
    }
    // Scaled only when both sides are off; with one side already right the
    // image goes up at its own size (mipmap building scales it anyway).
    if (targetWidth != image.width && targetHeight != image.height) {
        record.width = targetWidth;
        record.height = targetHeight;
    }
    upload(record, image);
    return true;
}

// Stands in for glpng's pngBind: the record always takes the reported size
// and name, both 0 when the file cannot be read.
static bool loadPngTexture(const std::string& fullPath, TextureRecord& record) {
    DecodedImage image;
    std::optional<std::vector<uint8_t>> file = readImageFile(fullPath);
    bool decoded = file && decodePng(*file, image);
    record.glName = 0;
    record.width = decoded ? image.width : 0;
    record.height = decoded ? image.height : 0;
    record.format = pixelFormatRgba;
    if (!decoded) return false;
    image.mipmapsFollowOption = true;
    upload(record, image);
    // Headless there is no name to hand out; the decode is the success.
    return !textureBackend.upload || record.glName != 0;
}

// A picture that cannot be read leaves the record as it was.
static bool loadPictureTexture(const std::string& fullPath, TextureRecord& record) {
    std::optional<std::vector<uint8_t>> file = readImageFile(fullPath);
    if (!file) return false;
    DecodedImage image;
    if (!decodePicture(*file, textureOptions, image)) return false;
    record.width = image.width;
    record.height = image.height;
    record.format = pixelFormatRgba;
    upload(record, image);
    return true;
}

bool loadTexture(const std::string& path, TextureRecord& record) {
    std::string fullPath = textureFullPath(path);
    std::string extension = textureExtension(path);
    if (extension == "tga") return loadTgaTexture(fullPath, record);
    if (extension == "png") return loadPngTexture(fullPath, record);
    return loadPictureTexture(fullPath, record);
}

TextureFilterSettings textureFilterSettings(const TextureOptions& options, bool mipmapsFollowOption) {
    TextureFilterSettings settings;
    int32_t mode = options.filterMode;
    if (mode < 1 || mode > 4) mode = 0;
    settings.wrap = (mode == 3 || mode == 4) ? GL_REPEAT : GL_CLAMP;
    switch (mode) {
        case 0:
            settings.magFilter = GL_NEAREST;
            settings.minFilter = GL_NEAREST;
            settings.buildMipmaps = false;
            settings.unpackAlignmentOne = true;
            break;
        case 1:
        case 3:
            settings.magFilter = GL_LINEAR;
            settings.minFilter = options.mipmapping ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR;
            settings.buildMipmaps = options.mipmapping;
            break;
        default:  // 2 and 4
            settings.magFilter = GL_LINEAR;
            settings.minFilter = GL_LINEAR_MIPMAP_LINEAR;
            settings.buildMipmaps = true;
            break;
    }
    if (mipmapsFollowOption) settings.buildMipmaps = options.mipmapping;
    return settings;
}

void resetTextures() {
    for (TextureBucket& bucket : textureRegistry) bucket.clear();
    textureOptions = TextureOptions{};
    textureBackend = TextureBackend{};
}

#include "assets/textures.h"

#include <GL/gl.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <unordered_map>

#include "assets/image_decoders.h"

TextureOptions textureOptions;
TextureBackend textureBackend;
std::array<TextureBucket, textureBucketCount> textureRegistry;

namespace {

// The registry's index by file or address (textureKey): one record per
// picture, however many spellings name it.
std::unordered_map<std::string, TextureRecord*> recordsByKey;

// What the records hold of decodedPictureBudget.
uint64_t decodedPictureBytes = 0;

// The deadline the addresses of the current load share; set by the first.
struct FetchLoad {
    bool started = false;
    FetchDeadline deadline;
};
FetchLoad fetchLoad;

}  // namespace

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
    std::string key = textureKey(path);
    auto known = recordsByKey.find(key);
    if (known != recordsByKey.end()) return known->second;
    auto record = std::make_unique<TextureRecord>();
    record->path = path;
    loadTexture(path, *record);
    bucket.push_back(std::move(record));
    recordsByKey.emplace(key, bucket.back().get());
    return bucket.back().get();
}

void reloadTextures() {
    for (TextureBucket& bucket : textureRegistry)
        for (const auto& record : bucket) {
            // A picture still on its way is uploaded into whatever context
            // there is when it arrives.
            if (record->overBudget || record->fetching) continue;
            loadTexture(record->path, *record);
        }
}

void beginTextureLoad() { fetchLoad.started = false; }

// The record waits, drawn white, for the picture; it is asked for with the
// deadline the whole load shares.
static bool requestAddress(const std::string& address, TextureRecord& record) {
    if (!fetchLoad.started) {
        fetchLoad.deadline = std::chrono::steady_clock::now() + textureFetchBudget;
        fetchLoad.started = true;
    }
    record.glName = 0;
    record.fetching = true;
    textureBackend.fetcher->request(address, fetchLoad.deadline);
    return false;
}

static TextureRecord* recordOfKey(const std::string& key) {
    auto known = recordsByKey.find(key);
    return known == recordsByKey.end() ? nullptr : known->second;
}

std::vector<TextureArrival> takeArrivedTextures() {
    std::vector<TextureArrival> arrivals;
    if (textureBackend.fetcher == nullptr) return arrivals;
    for (FetchedAddress& fetched : textureBackend.fetcher->takeFinished()) {
        TextureRecord* record = recordOfKey(fetched.address);
        if (record == nullptr || !record->fetching) continue;
        record->fetching = false;
        TextureArrival arrival{record, fetched.problem};
        if (!loadTextureFrom(record->path, fetched.bytes, *record) && arrival.problem.empty())
            arrival.problem = record->overBudget ? "left out: the pictures before it fill the " +
                                                       std::to_string(textureOptions.decodedBudget >> 20) +
                                                       " MiB of pictures a run keeps"
                                                 : "not a picture it can read";
        arrivals.push_back(std::move(arrival));
    }
    return arrivals;
}

bool awaitFetchedTextures(FetchDeadline until) {
    return textureBackend.fetcher == nullptr || textureBackend.fetcher->waitUntilIdle(until);
}

// A record as acquireTexture makes it, so the new image sets every field
// the way a first load would.
static void loadAfresh(TextureRecord& record) {
    if (record.glName != 0 && textureBackend.release) textureBackend.release(record.glName);
    decodedPictureBytes -= record.decodedBytes;
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

bool isTextureAddress(const std::string& path) {
    return path.rfind("http://", 0) == 0 || path.rfind("https://", 0) == 0;
}

std::string textureFullPath(const std::string& path) {
    if (isTextureAddress(path) || (!path.empty() && path.front() == '/')) return path;
    std::error_code error;
    std::filesystem::path directory = std::filesystem::current_path(error);
    return directory.string() + "/" + path;
}

// "a.png", "./a.png", "x/../a.png" and a link to a.png are one file. A path
// that does not lead to a file (missing, or through a file as in
// "a.png/../b.png", which cannot be opened) keeps a record of its own: it
// holds no picture, and must not stand for one it does not open.
std::string textureKey(const std::string& path) {
    if (isTextureAddress(path)) return path;
    std::string full = textureFullPath(path);
    std::error_code error;
    std::filesystem::path canonical = std::filesystem::canonical(full, error);
    return error ? full : canonical.string();
}

std::string textureExtension(const std::string& path) {
    size_t dot = path.rfind('.');
    if (dot == std::string::npos) return {};
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

// The bytes a decoded picture holds once uploaded: at the record's size,
// which a TGA may be scaled up to, or its own.
static uint64_t heldBytes(const TextureRecord& record, const DecodedImage& image) {
    uint64_t components = image.format == pixelFormatRgba ? 4 : 3;
    uint64_t atRecordSize = static_cast<uint64_t>(record.width) * record.height * components;
    return std::max<uint64_t>(atRecordSize, image.pixels.size());
}

// Within the budget the picture is uploaded and counted; past it the record
// is left as a picture that failed, marked as left out.
static bool keepDecoded(TextureRecord& record, const DecodedImage& image) {
    uint64_t bytes = heldBytes(record, image);
    uint64_t others = decodedPictureBytes - record.decodedBytes;
    uint64_t budget = textureOptions.decodedBudget;
    if (bytes > budget - std::min(others, budget)) {
        decodedPictureBytes = others;
        TextureRecord leftOut;
        leftOut.path = record.path;
        leftOut.overBudget = true;
        record = leftOut;
        return false;
    }
    decodedPictureBytes = others + bytes;
    record.decodedBytes = bytes;
    if (textureBackend.upload) textureBackend.upload(record, image);
    return true;
}

// The record takes the header's size and format even when the image is
// refused; it takes the upload size only once the image is decoded.
static bool loadTgaTexture(const std::optional<std::vector<uint8_t>>& file, TextureRecord& record) {
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
    return keepDecoded(record, image);
}

// Stands in for glpng's pngBind: the record always takes the reported size
// and name, both 0 when the file cannot be read.
static bool loadPngTexture(const std::optional<std::vector<uint8_t>>& file, TextureRecord& record) {
    DecodedImage image;
    bool decoded = file && decodePng(*file, image);
    record.glName = 0;
    record.width = decoded ? image.width : 0;
    record.height = decoded ? image.height : 0;
    record.format = pixelFormatRgba;
    if (!decoded) return false;
    image.mipmapsFollowOption = true;
    if (!keepDecoded(record, image)) return false;
    // Headless there is no name to hand out; the decode is the success.
    return !textureBackend.upload || record.glName != 0;
}

// A picture that cannot be read leaves the record as it was.
static bool loadPictureTexture(const std::optional<std::vector<uint8_t>>& file, TextureRecord& record) {
    if (!file) return false;
    DecodedImage image;
    if (!decodePicture(*file, textureOptions, image)) return false;
    record.width = image.width;
    record.height = image.height;
    record.format = pixelFormatRgba;
    return keepDecoded(record, image);
}

bool loadTextureFrom(const std::string& path, const std::optional<std::vector<uint8_t>>& file, TextureRecord& record) {
    std::string extension = textureExtension(path);
    if (extension == "tga") return loadTgaTexture(file, record);
    if (extension == "png") return loadPngTexture(file, record);
    return loadPictureTexture(file, record);
}

bool loadTexture(const std::string& path, TextureRecord& record) {
    if (isTextureAddress(path) && textureBackend.fetcher) return requestAddress(path, record);
    std::optional<std::vector<uint8_t>> file;
    if (!isTextureAddress(path)) file = readImageFile(textureFullPath(path));
    return loadTextureFrom(path, file, record);
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
    recordsByKey.clear();
    decodedPictureBytes = 0;
    fetchLoad = FetchLoad{};
    textureOptions = TextureOptions{};
    textureBackend = TextureBackend{};
}

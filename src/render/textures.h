// The texture registry: one record per distinct image path, shared by every
// textured polygon that names it. Decoding needs no GL context; uploading is
// done by an uploader the window installs once a context exists.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

constexpr uint32_t pixelFormatRgb = 0x1907;   // GL_RGB
constexpr uint32_t pixelFormatRgba = 0x1908;  // GL_RGBA

struct TextureRecord {
    uint32_t glName = 0;
    uint32_t width = 0, height = 0;  // as uploaded
    uint32_t format = 0;             // pixelFormatRgb or pixelFormatRgba
    std::string path;                // the text it was requested by
};

// How images are decoded and uploaded. setupGLState sets mipmapping and
// filter mode 2 before any texture is loaded.
struct TextureOptions {
    bool alphaFromKey = true;  // picture loader: pixels of alphaKey become transparent
    bool fullSize = true;      // false: picture and TGA loaders halve images wider than 64
    bool mipmapping = false;
    int32_t filterMode = 0;                    // 0..4, see textureFilterSettings
    std::array<uint8_t, 3> alphaKey{0, 0, 0};  // red, green, blue
};

extern TextureOptions textureOptions;

// Pixels a decoder hands to the uploader. Rows are tightly packed (no row
// padding), the first row in memory is texture row 0.
struct DecodedImage {
    uint32_t width = 0, height = 0;  // size of `pixels`
    uint32_t format = 0;             // pixelFormatRgb or pixelFormatRgba
    std::vector<uint8_t> pixels;
    // PNG files build mipmaps exactly when textureOptions.mipmapping is set,
    // whatever the filter mode says.
    bool mipmapsFollowOption = false;
};

// The GL side of texture loading, installed by the program layer once a
// context exists; empty while headless (records then keep glName 0).
struct TextureBackend {
    // Makes a new texture name, stores it in record.glName and uploads the
    // image. When record.width/height differ from image.width/height the
    // image is first scaled to the record's size (gluScaleImage): the record
    // always holds the size the texture coordinates are divided by.
    std::function<void(TextureRecord& record, const DecodedImage& image)> upload;
    // Gives a texture name back to the context (a record loaded again).
    std::function<void(uint32_t glName)> release;
    // GL_MAX_TEXTURE_SIZE of the current context.
    std::function<uint32_t()> maxTextureSize;
    // The bytes behind an "http://" full path; unset, addresses load as
    // missing files (headless runs and tests stay off the network).
    std::function<std::optional<std::vector<uint8_t>>(const std::string& fullPath)> fetchAddress;
};

extern TextureBackend textureBackend;

// Assumed when no context is there to ask: what the uploads of a typical
// context would use, so headless records get the sizes a real run gets.
constexpr uint32_t defaultMaxTextureSize = 2048;
uint32_t currentMaxTextureSize();

// Filter, wrap and mipmap choice for an upload, in GL enum values.
struct TextureFilterSettings {
    int32_t magFilter = 0;
    int32_t minFilter = 0;
    int32_t wrap = 0;  // for both s and t
    bool buildMipmaps = false;
    bool unpackAlignmentOne = false;  // mode 0 sets it before the upload
};

TextureFilterSettings textureFilterSettings(const TextureOptions& options, bool mipmapsFollowOption);

// The registry: 251 buckets, each an ordered list of records that live for
// the whole run.
constexpr uint32_t textureBucketCount = 251;
using TextureBucket = std::vector<std::unique_ptr<TextureRecord>>;
extern std::array<TextureBucket, textureBucketCount> textureRegistry;

// Sum of (signed byte × position), wrapping at 32 bits, taken unsigned
// modulo the bucket count.
uint32_t textureBucketOf(const std::string& path);

// Returns the record for `path`, loading it on first request (shared after).
TextureRecord* acquireTexture(const std::string& path);

// Decodes the image `path` names and hands it to the uploader; true when
// decoding (and, for PNG, the upload) succeeded.
bool loadTexture(const std::string& path, TextureRecord& record);

// Loads every known record again, bucket by bucket, after the context that
// held the old texture names is gone.
void reloadTextures();

// Loads every record whose image is read from one of `fullPaths` again, as
// on its first request, after the file changed on disk (--watch).
void refreshTextures(const std::vector<std::string>& fullPaths);

// Where the image for a requested path is read from: addresses and absolute
// paths as they stand, anything else under the current directory.
std::string textureFullPath(const std::string& path);

// Characters after the last "." of the path, lower-cased; empty without one.
std::string textureExtension(const std::string& path);

// Empty registry, start-of-run options, no backend (tests).
void resetTextures();

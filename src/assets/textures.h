// The texture registry: one record per distinct image path, shared by every
// textured polygon that names it. Decoding needs no GL context; uploading is
// done by an uploader the window installs once a context exists.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "assets/http_fetch.h"

constexpr uint32_t pixelFormatRgb = 0x1907;   // GL_RGB
constexpr uint32_t pixelFormatRgba = 0x1908;  // GL_RGBA

struct TextureRecord {
    uint32_t glName = 0;
    uint32_t width = 0, height = 0;  // as uploaded
    uint32_t format = 0;             // pixelFormatRgb or pixelFormatRgba
    std::string path;                // the text it was first requested by
    // An address whose picture is still on its way: drawn white (no name)
    // until it arrives.
    bool fetching = false;
    // Decoded, but left out because the pictures before it had spent the
    // budget; drawn white like a picture that failed.
    bool overBudget = false;
    uint64_t decodedBytes = 0;  // its share of the budget
};

// All the pictures a run holds, decoded: past this a picture is left out
// (with a note) rather than decoded and uploaded. As large as the largest
// single picture, so any one picture fits; a few hundred of the usual sizes do.
constexpr uint64_t decodedPictureBudget = 256ull << 20;

// How images are decoded and uploaded. setupGLState sets mipmapping and
// filter mode 2 before any texture is loaded.
struct TextureOptions {
    bool alphaFromKey = true;  // picture loader: pixels of alphaKey become transparent
    bool fullSize = true;      // false: picture and TGA loaders halve images wider than 64
    bool mipmapping = false;
    int32_t filterMode = 0;                         // 0..4, see textureFilterSettings
    std::array<uint8_t, 3> alphaKey{0, 0, 0};       // red, green, blue
    uint64_t decodedBudget = decodedPictureBudget;  // see there
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
    // Fetches addresses in the background; unset, addresses load as missing
    // files (headless runs, --check and tests stay off the network).
    AddressFetcher* fetcher = nullptr;
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

// One load (start-up, a drop, a reload) gives all the addresses it names
// this long, together, to arrive.
constexpr std::chrono::milliseconds textureFetchBudget{15000};

// Returns the record for `path`, loading it on first request. Every path
// that names the same file (whatever its spelling: "a.png", "./a.png", a
// link to it) or the same address shares the one record, which keeps the
// path it was first requested by.
TextureRecord* acquireTexture(const std::string& path);

// Decodes the image `path` names and hands it to the uploader; true when
// decoding (and, for PNG, the upload) succeeded. An address is only asked
// for here: it arrives through takeArrivedTextures.
bool loadTexture(const std::string& path, TextureRecord& record);

// loadTexture on the bytes of the file `path` names, already read (nothing:
// the file could not be read).
bool loadTextureFrom(const std::string& path, const std::optional<std::vector<uint8_t>>& file, TextureRecord& record);

// Loads every known record again, bucket by bucket, after the context that
// held the old texture names is gone. Addresses are asked for again; a
// picture left out stays out.
void reloadTextures();

// Starts a new load: the addresses asked for from now on share a new
// deadline, textureFetchBudget after the first of them.
void beginTextureLoad();

// A fetched picture that has arrived, decoded and uploaded; `problem` says
// why there is no picture (empty when there is one).
struct TextureArrival {
    TextureRecord* record = nullptr;
    std::string problem;
};

// Decodes and uploads (on the calling thread, which holds the context) the
// pictures whose fetch ended since the last call.
std::vector<TextureArrival> takeArrivedTextures();

// Waits until no address is being fetched or `until` has come; true when
// none is.
bool awaitFetchedTextures(FetchDeadline until);

// Loads every record whose image is read from one of `fullPaths` again, as
// on its first request, after the file changed on disk (--watch).
void refreshTextures(const std::vector<std::string>& fullPaths);

// Where the image for a requested path is read from: addresses and absolute
// paths as they stand, anything else under the current directory.
std::string textureFullPath(const std::string& path);

// Only a name that starts with "http://" or "https://" is an address; one
// that merely holds it further on is a file name like any other.
bool isTextureAddress(const std::string& path);

// What identifies the picture behind a path: the file's canonical path, or
// the address as it stands.
std::string textureKey(const std::string& path);

// Characters after the last "." of the path, lower-cased; empty without one.
std::string textureExtension(const std::string& path);

// Empty registry, start-of-run options, no backend (tests).
void resetTextures();

#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>

#include <cstdlib>
#include <memory>

#include "assets/image_decoders.h"

struct SurfaceDeleter {
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using SurfaceHandle = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

// SDL2_image needs no video subsystem; IMG_Init only loads the codecs of the
// formats that are not built in, and repeating it costs nothing.
// SDL allocates what a BMP header claims before reading a pixel; a header
// claiming 100000 x 100000 asked for 30 GB. Refused here, as any image past
// maxDecodedImageBytes is.
static bool bmpClaimsTooMuch(const std::vector<uint8_t>& file) {
    if (file.size() < 26 || file[0] != 'B' || file[1] != 'M') return false;
    auto little32 = [&](size_t at) {
        return static_cast<int32_t>(static_cast<uint32_t>(file[at]) | (static_cast<uint32_t>(file[at + 1]) << 8) |
                                    (static_cast<uint32_t>(file[at + 2]) << 16) |
                                    (static_cast<uint32_t>(file[at + 3]) << 24));
    };
    uint64_t width = static_cast<uint64_t>(std::abs(static_cast<int64_t>(little32(18))));
    uint64_t height = static_cast<uint64_t>(std::abs(static_cast<int64_t>(little32(22))));
    return width * height * 4 > maxDecodedImageBytes;
}

// Every other format's header can claim as much (GIF and JPEG up to 65535
// pixels a side), so while a picture decodes SDL's allocator refuses any
// one block past the cap, with room for row padding; the loader then fails
// as on a damaged file. The replacement functions hand everything else to
// SDL's own, so blocks allocated before it was installed are freed alike.
static constexpr size_t largestPictureBlock = maxDecodedImageBytes + (1u << 20);
static SDL_malloc_func sdlMalloc = nullptr;
static SDL_calloc_func sdlCalloc = nullptr;
static SDL_realloc_func sdlRealloc = nullptr;
static SDL_free_func sdlFree = nullptr;
static bool pictureDecoding = false;

static void* SDLCALL cappedMalloc(size_t size) {
    return pictureDecoding && size > largestPictureBlock ? nullptr : sdlMalloc(size);
}

static void* SDLCALL cappedCalloc(size_t count, size_t size) {
    if (pictureDecoding && size != 0 && count > largestPictureBlock / size) return nullptr;
    return sdlCalloc(count, size);
}

static void* SDLCALL cappedRealloc(void* block, size_t size) {
    return pictureDecoding && size > largestPictureBlock ? nullptr : sdlRealloc(block, size);
}

// Sets pictureDecoding for its lifetime, installing the capped allocator
// the first time.
struct PictureDecodingScope {
    PictureDecodingScope() {
        if (sdlMalloc == nullptr) {
            SDL_GetMemoryFunctions(&sdlMalloc, &sdlCalloc, &sdlRealloc, &sdlFree);
            SDL_SetMemoryFunctions(cappedMalloc, cappedCalloc, cappedRealloc, sdlFree);
        }
        pictureDecoding = true;
    }
    ~PictureDecodingScope() { pictureDecoding = false; }
};

// SDL2_image reads many formats, some through readers that fuzzing found
// unsafe on damaged files: SVG leaks, XPM reads through a null pointer, and
// GIF overruns its LZW stack and frees a wild pointer (its LZW loop stops
// only at a direct self-reference, and it writes its palette into a surface
// it failed to allocate). Only BMP, JPEG and icons go to it, and PNG under
// another name; GIF is refused until it has a decoder of its own. Loaded as
// the type found, so SDL does not guess again.
static const char* pictureTypeOf(SDL_RWops* stream) {
    if (IMG_isBMP(stream)) return "BMP";
    if (IMG_isJPG(stream)) return "JPG";
    if (IMG_isICO(stream)) return "ICO";
    if (IMG_isCUR(stream)) return "CUR";
    if (IMG_isPNG(stream)) return "PNG";
    return nullptr;
}

static SurfaceHandle loadRgbaSurface(const std::vector<uint8_t>& file) {
    if (bmpClaimsTooMuch(file)) return nullptr;
    IMG_Init(IMG_INIT_JPG | IMG_INIT_PNG);
    SDL_RWops* stream = SDL_RWFromConstMem(file.data(), static_cast<int>(file.size()));
    if (stream == nullptr) return nullptr;
    const char* type = pictureTypeOf(stream);
    if (type == nullptr) {
        SDL_RWclose(stream);
        return nullptr;
    }
    PictureDecodingScope decoding;
    SurfaceHandle loaded(IMG_LoadTyped_RW(stream, 1, type));
    if (!loaded) return nullptr;
    return SurfaceHandle(SDL_ConvertSurfaceFormat(loaded.get(), SDL_PIXELFORMAT_RGBA32, 0));
}

// The picture is drawn into a zeroed bitmap: where it is transparent the
// black beneath shows, and black is what the key colour usually catches.
static void flattenOntoBlack(uint8_t* pixel) {
    unsigned alpha = pixel[3];
    for (int channel = 0; channel < 3; ++channel)
        pixel[channel] = static_cast<uint8_t>((pixel[channel] * alpha + 127) / 255);
}

static uint8_t keyedAlpha(const uint8_t* pixel, const TextureOptions& options) {
    if (!options.alphaFromKey) return 255;
    bool isKey = pixel[0] == options.alphaKey[0] && pixel[1] == options.alphaKey[1] && pixel[2] == options.alphaKey[2];
    return isKey ? 0 : 255;
}

// Copies the surface bottom row first, replacing the alpha channel.
static void copyBottomUp(const SDL_Surface& surface, const TextureOptions& options, DecodedImage& image) {
    size_t rowBytes = static_cast<size_t>(surface.w) * 4;
    image.pixels.resize(rowBytes * static_cast<size_t>(surface.h));
    for (int row = 0; row < surface.h; ++row) {
        const auto* source = static_cast<const uint8_t*>(surface.pixels) + static_cast<size_t>(row) * surface.pitch;
        uint8_t* target = image.pixels.data() + static_cast<size_t>(surface.h - 1 - row) * rowBytes;
        for (size_t offset = 0; offset < rowBytes; offset += 4) {
            uint8_t* pixel = target + offset;
            std::copy(source + offset, source + offset + 4, pixel);
            flattenOntoBlack(pixel);
            pixel[3] = keyedAlpha(pixel, options);
        }
    }
}

bool decodePicture(const std::vector<uint8_t>& file, const TextureOptions& options, DecodedImage& image) {
    SurfaceHandle surface = loadRgbaSurface(file);
    if (!surface || surface->w <= 0 || surface->h <= 0) return false;
    if (static_cast<uint64_t>(surface->w) * static_cast<uint64_t>(surface->h) * 4 > maxDecodedImageBytes) return false;

    if (!options.fullSize && surface->w > 64) {
        // A picture one pixel high has no half; the bitmap could not be made.
        if (surface->h / 2 == 0) return false;
        SurfaceHandle half(
            SDL_CreateRGBSurfaceWithFormat(0, surface->w / 2, surface->h / 2, 32, SDL_PIXELFORMAT_RGBA32));
        if (!half || SDL_SoftStretchLinear(surface.get(), nullptr, half.get(), nullptr) != 0) return false;
        surface = std::move(half);
    }
    if (SDL_MUSTLOCK(surface.get()) && SDL_LockSurface(surface.get()) != 0) return false;
    copyBottomUp(*surface, options, image);
    if (SDL_MUSTLOCK(surface.get())) SDL_UnlockSurface(surface.get());
    image.width = static_cast<uint32_t>(surface->w);
    image.height = static_cast<uint32_t>(surface->h);
    image.format = pixelFormatRgba;
    return true;
}

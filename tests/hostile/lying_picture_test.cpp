// Found by fuzzing: pictures whose headers lie or whose data is damaged.
// A BMP claiming 100000 x 100000 pixels made SDL ask for 30 GB before
// reading a pixel; JPEG and GIF headers can claim as much. SDL2_image's
// SVG reader leaked on a damaged file, its XPM reader read through a null
// pointer, its GIF reader freed a wild pointer.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "assets/image_decoders.h"

namespace {

std::vector<uint8_t> hostileImage(const std::string& name) {
    std::ifstream in(VANTOR_SOURCE_DIR "/tests/corpus/hostile/images/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(LyingPicture, ABmpClaimingGigabytesIsRefusedBeforeDecoding) {
    std::vector<uint8_t> file = hostileImage("not_a_picture.bmp");
    ASSERT_GT(file.size(), 26u);
    DecodedImage image;
    EXPECT_FALSE(decodePicture(file, TextureOptions{}, image));
    EXPECT_TRUE(image.pixels.empty());
}

TEST(LyingPicture, FilesSdlImageCannotReadSafelyAreRefused) {
    for (const char* name : {"found_svg_leak.svg", "found_xpm_null_read.xpm", "found_gif_wild_free.gif"}) {
        std::vector<uint8_t> file = hostileImage(name);
        ASSERT_FALSE(file.empty()) << name;
        DecodedImage image;
        EXPECT_FALSE(decodePicture(file, TextureOptions{}, image)) << name;
    }
}

// Passes every SDL allocation on and keeps the size of the largest that
// succeeded while `watching` is set. Installed once and left in place: the
// decoder's own allocator may already wrap it, or it may wrap the decoder's.
size_t largestGranted = 0;
bool watching = false;
SDL_malloc_func innerMalloc;
SDL_calloc_func innerCalloc;
SDL_realloc_func innerRealloc;
SDL_free_func innerFree;

void grant(void* block, size_t size) {
    if (watching && block != nullptr) largestGranted = std::max(largestGranted, size);
}
void* SDLCALL watchedMalloc(size_t size) {
    void* block = innerMalloc(size);
    grant(block, size);
    return block;
}
void* SDLCALL watchedCalloc(size_t count, size_t size) {
    void* block = innerCalloc(count, size);
    grant(block, count * size);
    return block;
}
void* SDLCALL watchedRealloc(void* old, size_t size) {
    void* block = innerRealloc(old, size);
    grant(block, size);
    return block;
}

TEST(LyingPicture, NoHeaderMakesSdlAllocatePastTheCap) {
    static bool installed = false;
    if (!installed) {
        SDL_GetMemoryFunctions(&innerMalloc, &innerCalloc, &innerRealloc, &innerFree);
        SDL_SetMemoryFunctions(watchedMalloc, watchedCalloc, watchedRealloc, innerFree);
        installed = true;
    }
    // 1.2 GB at three bytes a pixel and 900 MB at one: SDL allocated and
    // zeroed both before reading a pixel.
    for (const char* name : {"claims_20000x20000.jpg", "claims_30000x30000.gif"}) {
        largestGranted = 0;
        watching = true;
        DecodedImage image;
        EXPECT_FALSE(decodePicture(hostileImage(name), TextureOptions{}, image)) << name;
        watching = false;
        EXPECT_LE(largestGranted, maxDecodedImageBytes + (1u << 20)) << name;
    }
}

}  // namespace

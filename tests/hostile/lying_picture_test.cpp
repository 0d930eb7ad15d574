// Found by fuzzing the world reader: a BMP whose header claims
// 100000 x 100000 pixels made SDL ask for 30 GB before reading a pixel.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "render/images/image_decoders.h"

TEST(LyingPicture, ABmpClaimingGigabytesIsRefusedBeforeDecoding) {
    std::ifstream in(VANTOR_SOURCE_DIR "/tests/corpus/hostile/images/not_a_picture.bmp", std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(file.size(), 26u);
    DecodedImage image;
    EXPECT_FALSE(decodePicture(file, TextureOptions{}, image));
    EXPECT_TRUE(image.pixels.empty());
}

#include "assets/textures.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/texture_arrivals.h"
#include "assets/image_decoders.h"
#include "files/diagnostics.h"
#include "files/reader.h"
#include "sim/globals.h"
#include "support/reset.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

const std::string imageData = std::string(VANTOR_TEST_DATA) + "/images/";

// TGA header plus payload; pixels in the payload are blue, green, red(, alpha).
Bytes tga(uint8_t type, uint16_t width, uint16_t height, uint8_t bits, const Bytes& payload, uint8_t idLength = 0) {
    Bytes file(18, 0);
    file[0] = idLength;
    file[2] = type;
    file[12] = width & 0xFF;
    file[13] = width >> 8;
    file[14] = height & 0xFF;
    file[15] = height >> 8;
    file[16] = bits;
    file.insert(file.end(), idLength, 'i');
    file.insert(file.end(), payload.begin(), payload.end());
    return file;
}

// Run-length payload of `count` copies of one 24-bit pixel.
Bytes repeatedPixels(size_t count, Bytes pixel) {
    Bytes payload;
    while (count > 0) {
        size_t run = std::min<size_t>(count, 128);
        payload.push_back(static_cast<uint8_t>(127 + run));
        payload.insert(payload.end(), pixel.begin(), pixel.end());
        count -= run;
    }
    return payload;
}

// Run-length payload of literal chunks of the given pixel counts.
Bytes literalChunksOf(std::initializer_list<size_t> counts) {
    Bytes payload;
    for (size_t count : counts) {
        payload.push_back(static_cast<uint8_t>(count - 1));
        payload.insert(payload.end(), count * 3, 7);
    }
    return payload;
}

struct Upload {
    std::string path;
    uint32_t recordWidth, recordHeight;
    DecodedImage image;
};

class Textures : public ::testing::Test {
protected:
    fs::path directory;
    fs::path previousDirectory;
    std::vector<Upload> uploads;
    uint32_t nextName = 1;

    void SetUp() override {
        resetProcessState();
        static int serial = 0;
        directory = fs::temp_directory_path() /
                    ("vantor-textures-" + std::to_string(getpid()) + "-" + std::to_string(serial++));
        fs::create_directories(directory);
        previousDirectory = fs::current_path();
        fs::current_path(directory);
    }
    void TearDown() override {
        fs::current_path(previousDirectory);
        fs::remove_all(directory);
        resetProcessState();
    }

    // A stand-in for the GL side: hands out names and keeps what it got.
    void installUploader() {
        textureBackend.upload = [this](TextureRecord& record, const DecodedImage& image) {
            record.glName = nextName++;
            uploads.push_back({record.path, record.width, record.height, image});
        };
    }

    static void write(const fs::path& path, const Bytes& bytes) {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    // Decodes a TGA held in memory, as loadTexture would after reading it.
    static bool decode(const Bytes& file, TextureRecord& record, DecodedImage& image) {
        return decodeTga(file, record, image);
    }
};

// Registry ------------------------------------------------------------------

TEST_F(Textures, BucketHashWeighsCharactersByPosition) {
    EXPECT_EQ(textureBucketOf(""), 0u);
    EXPECT_EQ(textureBucketOf("a"), 0u);                        // position 0 does not count
    EXPECT_EQ(textureBucketOf("ab"), 98u);                      // 'b' x 1
    EXPECT_EQ(textureBucketOf("abc"), 45u);                     // 98 + 99 x 2 = 296
    EXPECT_EQ(textureBucketOf("\xff\x80"), 246u);               // -128 taken unsigned: 2^32 - 128
    EXPECT_EQ(textureBucketOf(std::string(100000, 'z')), 22u);  // wraps at 32 bits
}

TEST_F(Textures, SamePathSharesOneRecordCaseDiffers) {
    installUploader();
    write("stone.tga", tga(2, 1, 1, 24, {1, 2, 3}));
    write("Stone.tga", tga(2, 1, 1, 24, {1, 2, 3}));
    TextureRecord* first = acquireTexture("stone.tga");
    TextureRecord* again = acquireTexture("stone.tga");
    TextureRecord* otherCase = acquireTexture("Stone.tga");
    EXPECT_EQ(first, again);
    EXPECT_NE(first, otherCase);
    EXPECT_EQ(uploads.size(), 2u);  // one load per distinct path
    EXPECT_EQ(first->glName, 1u);
    EXPECT_EQ(first->path, "stone.tga");
    // The first character does not count: both live in one bucket, in order.
    const TextureBucket& bucket = textureRegistry[textureBucketOf("stone.tga")];
    ASSERT_EQ(bucket.size(), 2u);
    EXPECT_EQ(bucket[0].get(), first);
    EXPECT_EQ(bucket[1].get(), otherCase);
}

TEST_F(Textures, FailedLoadStillRegistersOnce) {
    TextureRecord* missing = acquireTexture("missing.bmp");
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(missing->glName, 0u);
    EXPECT_EQ(missing->width, 0u);
    EXPECT_EQ(missing->height, 0u);
    EXPECT_EQ(acquireTexture("missing.bmp"), missing);
}

TEST_F(Textures, ReloadVisitsBucketsInOrderWithNewNames) {
    installUploader();
    std::vector<std::string> paths = {"zz.tga", "a.tga", "q.tga", "texture.tga"};
    for (const auto& path : paths) {
        write(path, tga(2, 1, 1, 24, {0, 0, 0}));
        acquireTexture(path);
    }
    uploads.clear();
    reloadTextures();
    // Buckets 204, 209, 222, 222: ascending, and within a bucket as added.
    std::vector<std::string> order;
    for (const Upload& upload : uploads) order.push_back(upload.path);
    EXPECT_EQ(order, (std::vector<std::string>{"zz.tga", "texture.tga", "a.tga", "q.tga"}));
    for (const auto& path : paths) EXPECT_GT(acquireTexture(path)->glName, paths.size());
}

TEST_F(Textures, PathsAndExtensions) {
    EXPECT_EQ(textureFullPath("a/b.tga"), fs::current_path().string() + "/a/b.tga");
    EXPECT_EQ(textureFullPath("/abs/b.tga"), "/abs/b.tga");
    EXPECT_EQ(textureFullPath("http://host/x.jpg"), "http://host/x.jpg");
    // Only a name that starts with the scheme is an address.
    EXPECT_EQ(textureFullPath("worlds/http://host/x.jpg"), fs::current_path().string() + "/worlds/http://host/x.jpg");
    EXPECT_TRUE(isTextureAddress("https://host/x.jpg"));
    EXPECT_FALSE(isTextureAddress("worlds/http://host/x.jpg"));
    EXPECT_EQ(textureExtension("x.TGA"), "tga");
    EXPECT_EQ(textureExtension("dir.v2/file"), "v2/file");
    EXPECT_EQ(textureExtension("noextension"), "");
    EXPECT_EQ(textureExtension("trailing."), "");
}

TEST_F(Textures, UpperCaseExtensionSelectsTga) {
    // A refused TGA leaves its header size in the record, which the picture
    // loader could not have read.
    write("SKY.TGA", tga(2, 7, 9, 16, {}));
    TextureRecord* record = acquireTexture("SKY.TGA");
    EXPECT_EQ(record->width, 7u);
    EXPECT_EQ(record->height, 9u);
}

// Every spelling of one file, a link to it included, is one record with one
// decode: eight spellings of a picture that decodes to 256 MB once took 3 GB.
TEST_F(Textures, OneRecordPerFileWhateverItsSpelling) {
    installUploader();
    fs::create_directories("sub");
    write("a.tga", tga(2, 1, 1, 24, {1, 2, 3}));
    fs::create_symlink(directory / "a.tga", "link.tga");
    TextureRecord* record = acquireTexture("a.tga");
    for (const char* spelling : {"./a.tga", "././a.tga", "sub/../a.tga", ".//a.tga", "link.tga"})
        EXPECT_EQ(acquireTexture(spelling), record) << spelling;
    EXPECT_EQ(acquireTexture((directory / "a.tga").string()), record);
    EXPECT_EQ(uploads.size(), 1u);
    EXPECT_EQ(record->path, "a.tga");
    // Reloads and the watch's refresh find it under its one path.
    uploads.clear();
    reloadTextures();
    refreshTextures({textureFullPath("a.tga")});
    EXPECT_EQ(uploads.size(), 2u);
}

// Past the budget a picture is left out, drawn white like one that failed;
// what the others hold is given back when they load afresh.
TEST_F(Textures, PicturesPastTheBudgetAreLeftOut) {
    installUploader();
    textureOptions.decodedBudget = 30;  // two 2 x 2 RGB pictures of 12 bytes
    for (const char* name : {"one.tga", "two.tga", "three.tga"}) write(name, tga(2, 2, 2, 24, Bytes(12, 9)));
    TextureRecord* one = acquireTexture("one.tga");
    TextureRecord* two = acquireTexture("two.tga");
    TextureRecord* three = acquireTexture("three.tga");
    EXPECT_FALSE(one->overBudget || two->overBudget);
    EXPECT_TRUE(three->overBudget);
    EXPECT_EQ(three->glName, 0u);
    EXPECT_EQ(three->width, 0u);
    EXPECT_EQ(uploads.size(), 2u);
    // A reload keeps the same pictures; the one left out stays out.
    uploads.clear();
    reloadTextures();
    EXPECT_EQ(uploads.size(), 2u);
    EXPECT_TRUE(three->overBudget);
    // A picture that shrinks on disk gives back what it held.
    write("one.tga", tga(2, 1, 1, 24, {1, 2, 3}));
    refreshTextures({textureFullPath("one.tga"), textureFullPath("three.tga")});
    EXPECT_EQ(one->width, 1u);
    EXPECT_FALSE(three->overBudget);
    EXPECT_EQ(three->width, 2u);
}

// Stands in for the network: keeps the requests, ends them when told.
class FakeFetcher : public AddressFetcher {
public:
    std::vector<std::pair<std::string, FetchDeadline>> requests;
    std::vector<FetchedAddress> finished;
    void request(const std::string& address, FetchDeadline deadline) override {
        requests.emplace_back(address, deadline);
    }
    std::vector<FetchedAddress> takeFinished() override { return std::exchange(finished, {}); }
    bool waitUntilIdle(FetchDeadline) override { return true; }
};

// Addresses are asked for and the record drawn white until the picture
// arrives; the addresses of one load share one deadline.
TEST_F(Textures, AddressesArriveInTheBackground) {
    installUploader();
    FakeFetcher fetcher;
    textureBackend.fetcher = &fetcher;
    beginTextureLoad();
    TextureRecord* first = acquireTexture("http://host/a.tga");
    TextureRecord* second = acquireTexture("https://host/b.png");
    // A file name that merely holds an address is not fetched.
    TextureRecord* file = acquireTexture("worlds/http://host/c.tga");
    EXPECT_EQ(acquireTexture("http://host/a.tga"), first);
    ASSERT_EQ(fetcher.requests.size(), 2u);
    EXPECT_EQ(fetcher.requests[0].first, "http://host/a.tga");
    EXPECT_EQ(fetcher.requests[0].second, fetcher.requests[1].second);
    auto left = fetcher.requests[0].second - std::chrono::steady_clock::now();
    EXPECT_GT(left, textureFetchBudget - std::chrono::seconds(5));
    EXPECT_LE(left, textureFetchBudget);
    EXPECT_TRUE(first->fetching && second->fetching);
    EXPECT_FALSE(file->fetching);
    EXPECT_EQ(first->glName, 0u);

    fetcher.finished.push_back({"http://host/a.tga", tga(2, 2, 1, 24, Bytes(6, 7)), ""});
    fetcher.finished.push_back({"https://host/b.png", std::nullopt, "no answer in the time allowed"});
    std::vector<TextureArrival> arrivals = takeArrivedTextures();
    ASSERT_EQ(arrivals.size(), 2u);
    EXPECT_EQ(arrivals[0].record, first);
    EXPECT_EQ(arrivals[0].problem, "");
    EXPECT_EQ(first->width, 2u);
    EXPECT_NE(first->glName, 0u);
    EXPECT_EQ(arrivals[1].problem, "no answer in the time allowed");
    EXPECT_FALSE(first->fetching || second->fetching);

    // A new context asks for the addresses again, under a new deadline.
    beginTextureLoad();
    reloadTextures();
    ASSERT_EQ(fetcher.requests.size(), 4u);
    EXPECT_TRUE(first->fetching);
    EXPECT_EQ(first->glName, 0u);
    EXPECT_GE(fetcher.requests[2].second, fetcher.requests[0].second);
}

// A polygon whose picture is on its way keeps its coordinates in pixels,
// with no note, until the picture arrives and gives their scale.
TEST_F(Textures, PolygonsWaitForTheirPicture) {
    installUploader();
    FakeFetcher fetcher;
    textureBackend.fetcher = &fetcher;
    std::ostringstream notes;
    diagnosticSink = &notes;
    std::istringstream world(R"(W { M { P { g { x= 0 0 } p { v -5 -5 v 5 -5 v 5 5 v -5 5 }
        t { t http://host/a.tga p { tv 0 0 pv -5 -5 tv 4 0 pv 5 -5 tv 4 2 pv 5 5 } }
        t { t http://host/gone.tga p { tv 8 8 pv -5 -5 tv 8 0 pv 5 -5 tv 0 0 pv 5 5 } } } } })");
    loadFile(world, "worlds/", "<world>");
    ASSERT_EQ(worlds.size(), 1u);
    const auto& polygons = worlds[0]->models[0]->bodies[0]->textures;
    ASSERT_EQ(polygons.size(), 2u);
    TexturedPolygon& polygon = *polygons[0];
    EXPECT_EQ(polygon.texture->path, "http://host/a.tga");  // not under the file's directory
    EXPECT_TRUE(polygon.awaitsTexture);
    EXPECT_EQ(polygon.texCoords[2].x, 4.0f);
    EXPECT_EQ(notes.str(), "");

    fetcher.finished.push_back({"http://host/a.tga", tga(2, 4, 2, 24, Bytes(24, 1)), ""});
    fetcher.finished.push_back({"http://host/gone.tga", std::nullopt, "the server answered 404"});
    placeArrivedTextures();
    EXPECT_FALSE(polygon.awaitsTexture);
    EXPECT_EQ(polygon.texCoords[2].x, 1.0f);
    EXPECT_EQ(polygon.texCoords[2].y, 1.0f);
    EXPECT_EQ(polygons[1]->texCoords[0].x, 8.0f);
    EXPECT_EQ(notes.str(), "vantor: texture \"http://host/gone.tga\": the server answered 404; drawn white\n");
}

// TGA -------------------------------------------------------------------------

TEST_F(Textures, UncompressedTgaSwapsToRgbKeepingRowOrder) {
    TextureRecord record;
    DecodedImage image;
    // 2 x 2, 24 bit: rows stay in file order.
    Bytes payload = {1, 2, 3, 4, 5, 6, /* row 2 */ 7, 8, 9, 10, 11, 12};
    ASSERT_TRUE(decode(tga(2, 2, 2, 24, payload, 5), record, image));
    EXPECT_EQ(record.format, static_cast<uint32_t>(GL_RGB));
    EXPECT_EQ(image.pixels, (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}));

    TextureRecord record32;
    DecodedImage image32;
    ASSERT_TRUE(decode(tga(2, 2, 1, 32, {1, 2, 3, 40, 5, 6, 7, 80}), record32, image32));
    EXPECT_EQ(record32.format, static_cast<uint32_t>(GL_RGBA));
    EXPECT_EQ(image32.pixels, (Bytes{3, 2, 1, 40, 7, 6, 5, 80}));
}

TEST_F(Textures, RunLengthTgaLiteralAndRepeatChunks) {
    TextureRecord record;
    DecodedImage image;
    // Literal chunk of 2, repeat chunk of 3 (h = 130), literal of 1.
    Bytes payload = {1, 1, 2, 3, 4, 5, 6, 130, 7, 8, 9, 0, 10, 11, 12};
    ASSERT_TRUE(decode(tga(10, 3, 2, 24, payload), record, image));
    EXPECT_EQ(image.pixels, (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 9, 8, 7, 9, 8, 7, 12, 11, 10}));

    TextureRecord record32;
    DecodedImage image32;
    Bytes payload32 = {129, 1, 2, 3, 99, 0, 4, 5, 6, 7};
    ASSERT_TRUE(decode(tga(10, 3, 1, 32, payload32), record32, image32));
    EXPECT_EQ(image32.pixels, (Bytes{3, 2, 1, 99, 3, 2, 1, 99, 6, 5, 4, 7}));
}

TEST_F(Textures, TgaRefusalsKeepHeaderSizeAndWriteNothing) {
    struct Case {
        const char* what;
        Bytes file;
    };
    std::vector<Case> cases = {
        {"colour-mapped type", tga(1, 4, 3, 24, Bytes(36, 0))},
        {"grey-scale type", tga(3, 4, 3, 24, Bytes(36, 0))},
        {"16 bits per pixel", tga(2, 4, 3, 16, Bytes(24, 0))},
        {"8 bits per pixel", tga(10, 4, 3, 8, Bytes(12, 0))},
        {"short pixel data", tga(2, 4, 3, 24, Bytes(35, 0))},
        {"short identification field", tga(2, 4, 3, 24, Bytes(30, 0), 0)},
        {"repeat chunk past the end", tga(10, 4, 3, 24, {128 + 12, 1, 2, 3})},
        {"literal chunk past the end", tga(10, 4, 3, 24, literalChunksOf({8, 5}))},
        {"run-length data ends early", tga(10, 4, 3, 24, {11, 1, 2, 3, 4, 5, 6})},
    };
    cases[5].file[0] = 200;  // claims an identification field the file lacks
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TextureRecord record;
        DecodedImage image;
        EXPECT_FALSE(decode(c.file, record, image));
        EXPECT_EQ(record.width, 4u);
        EXPECT_EQ(record.height, 3u);
        EXPECT_TRUE(image.pixels.empty());
    }

    TextureRecord zeroWidth, zeroHeight, shortHeader;
    DecodedImage image;
    EXPECT_FALSE(decode(tga(2, 0, 3, 24, {}), zeroWidth, image));
    EXPECT_EQ(zeroWidth.height, 3u);
    EXPECT_FALSE(decode(tga(2, 3, 0, 24, {}), zeroHeight, image));
    Bytes truncated = tga(2, 4, 3, 24, {});
    truncated.resize(17);
    shortHeader.width = 77;
    EXPECT_FALSE(decode(truncated, shortHeader, image));
    EXPECT_EQ(shortHeader.width, 77u);  // nothing read, nothing changed
    EXPECT_FALSE(decode({}, shortHeader, image));
}

TEST_F(Textures, LyingTgaHeaderIsRefusedWithoutAllocating) {
    TextureRecord record;
    DecodedImage image;
    // 65535² x 4 bytes would be 16 GiB.
    EXPECT_FALSE(decode(tga(2, 65535, 65535, 32, Bytes(64, 1)), record, image));
    EXPECT_EQ(record.width, 65535u);
    EXPECT_FALSE(decode(tga(10, 65535, 65535, 24, repeatedPixels(256, {1, 2, 3})), record, image));
    // Within the cap, but far more than a file this small could hold.
    EXPECT_FALSE(decode(tga(2, 4000, 4000, 32, Bytes(64, 1)), record, image));
    EXPECT_FALSE(decode(tga(10, 4000, 4000, 32, Bytes(64, 1)), record, image));
    EXPECT_TRUE(image.pixels.empty());
}

TEST_F(Textures, TgaTargetSizeIsNearestPowerOfTwoOnLogScale) {
    EXPECT_EQ(tgaTargetSize(300, 2048), 256u);
    EXPECT_EQ(tgaTargetSize(400, 2048), 512u);
    EXPECT_EQ(tgaTargetSize(181, 2048), 128u);
    EXPECT_EQ(tgaTargetSize(182, 2048), 256u);
    EXPECT_EQ(tgaTargetSize(1, 2048), 1u);
    EXPECT_EQ(tgaTargetSize(256, 2048), 256u);
    EXPECT_EQ(tgaTargetSize(5000, 2048), 2048u);
    EXPECT_EQ(tgaTargetSize(3000, 4096), 4096u);
    EXPECT_EQ(tgaTargetSize(3000, 2048), 2048u);
}

TEST_F(Textures, TgaScaledOnlyWhenBothSidesDiffer) {
    installUploader();
    write("wide.tga", tga(10, 300, 200, 24, repeatedPixels(300 * 200, {1, 2, 3})));
    write("tall.tga", tga(10, 256, 300, 24, repeatedPixels(256 * 300, {1, 2, 3})));
    write("huge.tga", tga(10, 5000, 300, 24, repeatedPixels(5000 * 300, {1, 2, 3})));
    write("long.tga", tga(10, 5000, 256, 24, repeatedPixels(5000 * 256, {1, 2, 3})));

    TextureRecord* wide = acquireTexture("wide.tga");
    EXPECT_EQ(wide->width, 256u);
    EXPECT_EQ(wide->height, 256u);
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(uploads[0].image.width, 300u);  // the GL side scales to the record's size
    EXPECT_EQ(uploads[0].recordWidth, 256u);

    TextureRecord* tall = acquireTexture("tall.tga");
    EXPECT_EQ(tall->width, 256u);
    EXPECT_EQ(tall->height, 300u);

    textureBackend.maxTextureSize = [] { return 2048u; };
    TextureRecord* huge = acquireTexture("huge.tga");
    EXPECT_EQ(huge->width, 2048u);
    EXPECT_EQ(huge->height, 256u);
    TextureRecord* longImage = acquireTexture("long.tga");
    EXPECT_EQ(longImage->width, 5000u);
    EXPECT_EQ(longImage->height, 256u);
}

TEST_F(Textures, TgaHalvedWhenNotFullSize) {
    textureOptions.fullSize = false;
    write("wide.tga", tga(10, 300, 200, 24, repeatedPixels(300 * 200, {1, 2, 3})));
    write("small.tga", tga(10, 60, 40, 24, repeatedPixels(60 * 40, {1, 2, 3})));
    write("square.tga", tga(10, 128, 128, 24, repeatedPixels(128 * 128, {1, 2, 3})));
    TextureRecord* wide = acquireTexture("wide.tga");
    EXPECT_EQ(wide->width, 128u);
    EXPECT_EQ(wide->height, 128u);
    TextureRecord* small = acquireTexture("small.tga");  // target 64: not halved
    EXPECT_EQ(small->width, 64u);
    EXPECT_EQ(small->height, 32u);
    TextureRecord* square = acquireTexture("square.tga");
    EXPECT_EQ(square->width, 64u);
    EXPECT_EQ(square->height, 64u);
}

// PNG ---------------------------------------------------------------------------

TEST_F(Textures, PngKeepsItsAlpha) {
    installUploader();
    TextureRecord* record = acquireTexture(imageData + "alpha.png");
    EXPECT_EQ(record->glName, 1u);
    EXPECT_EQ(record->width, 3u);
    EXPECT_EQ(record->height, 2u);
    EXPECT_EQ(record->format, static_cast<uint32_t>(GL_RGBA));
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_TRUE(uploads[0].image.mipmapsFollowOption);
    EXPECT_EQ(uploads[0].image.pixels, (Bytes{255, 0, 0, 255, 0,  255, 0,  128, 0,   0,   255, 0,  //
                                              0,   0, 0, 255, 10, 20,  30, 40,  255, 255, 255, 255}));

    TextureRecord* opaque = acquireTexture(imageData + "opaque.png");
    ASSERT_EQ(uploads.size(), 2u);
    EXPECT_EQ(uploads[1].image.pixels, (Bytes{1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255, 0, 0, 0, 255}));
    EXPECT_EQ(opaque->format, static_cast<uint32_t>(GL_RGBA));
}

TEST_F(Textures, FailedPngClearsTheRecord) {
    installUploader();
    write("broken.png", {0x89, 'P', 'N', 'G', 1, 2, 3});
    TextureRecord record;
    record.glName = 9;
    record.width = 5;
    record.height = 5;
    EXPECT_FALSE(loadTexture("broken.png", record));
    EXPECT_EQ(record.glName, 0u);
    EXPECT_EQ(record.width, 0u);
    EXPECT_EQ(record.height, 0u);
    EXPECT_FALSE(loadTexture("absent.PNG", record));
    EXPECT_TRUE(uploads.empty());
}

// Pictures --------------------------------------------------------------------

TEST_F(Textures, PictureKeysBlackAndStoresBottomRowFirst) {
    installUploader();
    TextureRecord* record = acquireTexture(imageData + "keyed.bmp");
    EXPECT_EQ(record->width, 3u);
    EXPECT_EQ(record->height, 2u);
    EXPECT_EQ(record->format, static_cast<uint32_t>(GL_RGBA));
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_FALSE(uploads[0].image.mipmapsFollowOption);
    EXPECT_EQ(uploads[0].image.pixels, (Bytes{10, 20, 30, 255, 0, 0, 0, 0,   1,   0,   0,   255,  // bottom row
                                              0,  0,  0,  0,   0, 0, 1, 255, 255, 255, 255, 255}));
}

TEST_F(Textures, PictureAlphaOptions) {
    Bytes file = *readImageFile(imageData + "keyed.bmp");
    TextureOptions options;
    options.alphaFromKey = false;
    DecodedImage opaque;
    ASSERT_TRUE(decodePicture(file, options, opaque));
    for (size_t i = 3; i < opaque.pixels.size(); i += 4) EXPECT_EQ(opaque.pixels[i], 255);

    options.alphaFromKey = true;
    options.alphaKey = {255, 255, 255};
    DecodedImage whiteKey;
    ASSERT_TRUE(decodePicture(file, options, whiteKey));
    EXPECT_EQ(whiteKey.pixels[7], 255);  // black now opaque
    EXPECT_EQ(whiteKey.pixels[23], 0);   // white keyed
}

TEST_F(Textures, PictureTransparencyShowsBlackBeneath) {
    DecodedImage image;
    ASSERT_TRUE(decodePicture(*readImageFile(imageData + "translucent.bmp"), textureOptions, image));
    ASSERT_EQ(image.pixels.size(), 12u);
    EXPECT_EQ(Bytes(image.pixels.begin(), image.pixels.begin() + 4), (Bytes{0, 0, 0, 0}));
    EXPECT_NEAR(image.pixels[4], 100, 1);
    EXPECT_EQ(image.pixels[7], 255);
    EXPECT_EQ(Bytes(image.pixels.begin() + 8, image.pixels.end()), (Bytes{200, 100, 50, 255}));
}

TEST_F(Textures, PictureHalvedWhenNotFullSize) {
    TextureOptions options;
    options.fullSize = false;
    DecodedImage narrow, halved;
    ASSERT_TRUE(decodePicture(*readImageFile(imageData + "keyed.bmp"), options, narrow));
    EXPECT_EQ(narrow.width, 3u);  // not wider than 64: kept
    ASSERT_TRUE(decodePicture(*readImageFile(imageData + "wide.bmp"), options, halved));
    EXPECT_EQ(halved.width, 50u);
    EXPECT_EQ(halved.height, 5u);
    EXPECT_EQ(halved.pixels.size(), 50u * 5u * 4u);
    EXPECT_EQ(halved.pixels[0], 128);  // one flat colour stays that colour
}

TEST_F(Textures, UnreadablePicturesLeaveRecordUnchanged) {
    installUploader();
    write("noise.jpg", {1, 2, 3, 4, 5});
    write("nodot", {1, 2, 3});
    for (const char* path : {"noise.jpg", "nodot", "absent.gif"}) {
        SCOPED_TRACE(path);
        TextureRecord* record = acquireTexture(path);
        EXPECT_EQ(record->glName, 0u);
        EXPECT_EQ(record->width, 0u);
        EXPECT_EQ(record->height, 0u);
    }
    // A name without "." goes to the picture loader: a bitmap loads.
    fs::copy_file(imageData + "keyed.bmp", "bitmap");
    EXPECT_EQ(acquireTexture("bitmap")->width, 3u);
    EXPECT_EQ(uploads.size(), 1u);
}

// Upload settings -------------------------------------------------------------

TEST_F(Textures, FilterTable) {
    TextureOptions options;
    options.mipmapping = true;
    struct Row {
        int32_t mode;
        int32_t min;
        int32_t wrap;
        bool mipmaps;
    };
    for (Row row : {Row{0, GL_NEAREST, GL_CLAMP, false}, Row{1, GL_LINEAR_MIPMAP_NEAREST, GL_CLAMP, true},
                    Row{2, GL_LINEAR_MIPMAP_LINEAR, GL_CLAMP, true}, Row{3, GL_LINEAR_MIPMAP_NEAREST, GL_REPEAT, true},
                    Row{4, GL_LINEAR_MIPMAP_LINEAR, GL_REPEAT, true}, Row{7, GL_NEAREST, GL_CLAMP, false}}) {
        SCOPED_TRACE(row.mode);
        options.filterMode = row.mode;
        TextureFilterSettings settings = textureFilterSettings(options, false);
        EXPECT_EQ(settings.minFilter, row.min);
        EXPECT_EQ(settings.wrap, row.wrap);
        EXPECT_EQ(settings.buildMipmaps, row.mipmaps);
        EXPECT_EQ(settings.unpackAlignmentOne, row.min == GL_NEAREST);
    }
    options.mipmapping = false;
    options.filterMode = 1;
    EXPECT_EQ(textureFilterSettings(options, false).minFilter, GL_LINEAR);
    options.filterMode = 2;
    EXPECT_TRUE(textureFilterSettings(options, false).buildMipmaps);
    EXPECT_FALSE(textureFilterSettings(options, true).buildMipmaps);  // PNG: mipmapping alone decides
}

}  // namespace

// --screenshot: the options that ask for it and the PNG it writes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/frame_png.h"
#include "app/options.h"
#include "assets/image_decoders.h"
#include "support/parse_arguments.h"

namespace {

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string temporaryPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("vantor_" + std::to_string(::getpid()) + "_" + name)).string();
}

}  // namespace

TEST(ScreenshotOptions, FileAndFrameCount) {
    RunOptions options;
    int exitCode = -1;
    ASSERT_TRUE(parseArguments({"--screenshot", "shot.png"}, options, exitCode));
    EXPECT_EQ(options.screenshotFile, "shot.png");
    EXPECT_EQ(options.screenshotFrames, 100);

    RunOptions counted;
    ASSERT_TRUE(parseArguments({"--screenshot", "shot.png", "--screenshot-frames", "7"}, counted, exitCode));
    EXPECT_EQ(counted.screenshotFrames, 7);
}

TEST(ScreenshotOptions, RefusedCombinationsAreUsageErrors) {
    const std::vector<std::vector<std::string>> refused{
        {"--screenshot", "shot.png", "--headless"},  // no window to read back
        {"--screenshot-frames", "5"},                // a count without a file
        {"--screenshot", "shot.png", "--screenshot-frames", "0"},
        {"--screenshot", "shot.png", "--screenshot-frames", "-3"},
        {"--screenshot", ""},
    };
    for (const std::vector<std::string>& words : refused) {
        RunOptions options;
        int exitCode = -1;
        EXPECT_FALSE(parseArguments(words, options, exitCode)) << words[0] << " " << words[1];
        EXPECT_EQ(exitCode, usageErrorExitCode);
    }
}

TEST(FramePng, WritesTheTopRowFirstAndReadsBackExactly) {
    // 3 x 2, bottom row first as GL reads it: bottom red, green, blue;
    // top white, black, grey.
    FrameImage frame;
    frame.width = 3;
    frame.height = 2;
    frame.rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 128, 128, 128};
    std::string path = temporaryPath("frame.png");
    ASSERT_TRUE(writeFramePng(path, frame));

    DecodedImage image;
    ASSERT_TRUE(decodePng(readBytes(path), image));
    std::remove(path.c_str());
    ASSERT_EQ(image.width, 3u);
    ASSERT_EQ(image.height, 2u);
    // Decoded as RGBA, top row first.
    const std::vector<uint8_t> expected{255, 255, 255, 255, 0, 0,   0, 255, 128, 128, 128, 255,
                                        255, 0,   0,   255, 0, 255, 0, 255, 0,   0,   255, 255};
    EXPECT_EQ(image.pixels, expected);
}

TEST(FramePng, RefusesEmptyOrInconsistentFramesAndUnwritablePaths) {
    FrameImage empty;
    EXPECT_FALSE(writeFramePng(temporaryPath("empty.png"), empty));

    FrameImage short_;
    short_.width = 4;
    short_.height = 4;
    short_.rgb.assign(4 * 4 * 3 - 1, 0);  // one byte missing: must not read past the end
    EXPECT_FALSE(writeFramePng(temporaryPath("short.png"), short_));

    FrameImage fine;
    fine.width = 1;
    fine.height = 1;
    fine.rgb = {1, 2, 3};
    EXPECT_FALSE(writeFramePng("/nonexistent-directory/shot.png", fine));
}

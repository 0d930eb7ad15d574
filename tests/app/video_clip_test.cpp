// Video clips without a window: the options that ask for one, the encoder's
// temporary file (gone whatever happens; the clip appears only complete),
// and the export's progress bar.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/video/clip_writer.h"
#include "app/video/export_progress.h"
#include "support/parse_arguments.h"

namespace {

// A folder of its own, so that any file left behind is seen.
std::filesystem::path emptyFolder(const std::string& name) {
    auto folder = std::filesystem::temp_directory_path() / ("vantor_" + std::to_string(::getpid()) + "_" + name);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

std::vector<std::string> namesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    return names;
}

FrameImage grey(int width, int height, uint8_t level) {
    return FrameImage{width, height, std::vector<uint8_t>(static_cast<size_t>(width * height * 3), level)};
}

}  // namespace

TEST(VideoClip, OptionsAskForAClipOfASize) {
    RunOptions options;
    int exitCode = -1;
    ASSERT_TRUE(parseArguments({"--headless", "--video", "a.gif", "--video-size", "320x240"}, options, exitCode));
    EXPECT_EQ(options.videoFile, "a.gif");
    EXPECT_EQ(options.videoWidth, 320);
    EXPECT_EQ(options.videoHeight, 240);
    for (const char* size : {"320", "320x", "x240", "0x240", "320x240x2", "320x240 ", "16385x2"}) {
        RunOptions refused;
        EXPECT_FALSE(parseArguments({"--headless", "--video", "a.gif", "--video-size", size}, refused, exitCode))
            << size;
        EXPECT_EQ(exitCode, usageErrorExitCode) << size;
    }
    // A clip is drawn by a headless run only.
    RunOptions windowed;
    EXPECT_FALSE(parseArguments({"--video", "a.mp4"}, windowed, exitCode));
}

TEST(VideoClip, TheClipAppearsOnlyComplete) {
    std::filesystem::path folder = emptyFolder("clip");
    std::string path = (folder / "clip.webm").string();
    std::string error;
    {
        ClipWriter writer;
        ASSERT_TRUE(writer.open({path, 64, 48, false}, error)) << error;
        for (int frame = 0; frame < 5; ++frame)
            ASSERT_TRUE(writer.addFrame(grey(80, 60, static_cast<uint8_t>(frame * 40)), error)) << error;
        // Only the temporary file while it is written.
        std::vector<std::string> names = namesIn(folder);
        ASSERT_EQ(names.size(), 1u);
        EXPECT_EQ(names[0].rfind(".clip.webm.", 0), 0u) << names[0];
        ASSERT_TRUE(writer.finish(error)) << error;
        EXPECT_EQ(writer.framesEncoded(), 5);
    }
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"clip.webm"});
    EXPECT_GT(std::filesystem::file_size(path), 0u);

    // Abandoned (an interrupted export), or dropped with its writer: nothing.
    std::filesystem::remove(path);
    {
        ClipWriter abandoned, dropped;
        ASSERT_TRUE(abandoned.open({path, 64, 48, false}, error)) << error;
        ASSERT_TRUE(abandoned.addFrame(grey(64, 48, 9), error));
        abandoned.abandon();
        ASSERT_TRUE(dropped.open({(folder / "b.gif").string(), 64, 48, false}, error)) << error;
        ASSERT_TRUE(dropped.addFrame(grey(64, 48, 9), error));
    }
    EXPECT_TRUE(namesIn(folder).empty());

    // No frame: no clip.
    ClipWriter empty;
    ASSERT_TRUE(empty.open({path, 64, 48, false}, error)) << error;
    EXPECT_FALSE(empty.finish(error));
    EXPECT_EQ(error, "no frame was drawn");
    EXPECT_TRUE(namesIn(folder).empty());
    std::filesystem::remove_all(folder);
}

TEST(VideoClip, ProgressBarTellsRateAndTimeLeft) {
    // 120 of 500 frames in 4 s: 30 frames a second, 380 more take 12.7 s.
    EXPECT_EQ(ExportProgress::barLine("a.mp4", 120, 500, 4.0),
              "a.mp4 [#######                       ] 120/500 frames  30.0 frames/s  0:13 left");
    EXPECT_EQ(ExportProgress::barLine("a.mp4", 500, 500, 100.0),
              "a.mp4 [##############################] 500/500 frames  5.0 frames/s  0:00 left");
}

#include "app/options.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <sstream>
#include <utility>

#include "app/input_state.h"
#include "files/reader_primitives.h"

namespace {

struct KeyName {
    const char* name;
    int code;
};

// The keys the loop, the step and the mouse read.
constexpr std::array<KeyName, 10> keyNames{{
    {"space", vk::space},
    {"ctrl", vk::control},
    {"j", vk::j},
    {"k", vk::k},
    {"l", vk::l},
    {"s", vk::s},
    {"f1", vk::f1},
    {"f2", vk::f2},
    {"f3", vk::f3},
    {"f9", vk::f9},
}};

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string keyNameList() {
    std::string list;
    for (const KeyName& key : keyNames) {
        if (!list.empty()) list += ", ";
        list += key.name;
    }
    return list;
}

// "space,j" -> codes; the first unknown name is a usage error.
std::vector<int> parseHeldKeys(const std::string& text) {
    std::vector<int> codes;
    std::stringstream names(text);
    std::string name;
    while (std::getline(names, name, ',')) {
        std::optional<int> code = heldKeyCode(name);
        if (!code) {
            throw CLI::ValidationError("--hold", "unknown key \"" + name + "\" (known: " + keyNameList() + ")");
        }
        if (std::find(codes.begin(), codes.end(), *code) == codes.end()) codes.push_back(*code);
    }
    if (!text.empty() && text.back() == ',') {
        throw CLI::ValidationError("--hold", "empty key name in \"" + text + "\"");
    }
    return codes;
}

// "640x480" -> the clip's size; anything else is a usage error. The
// bound keeps a mistyped size from asking for gigabytes a frame; a size
// the encoder refuses within it is told when the clip opens.
void parseVideoSize(const std::string& text, RunOptions& options) {
    constexpr int largest = 16384;
    int width = 0, height = 0;
    char end = 0;
    bool parsed = std::sscanf(text.c_str(), "%dx%d%c", &width, &height, &end) == 2;
    if (!parsed || width < 1 || height < 1 || width > largest || height > largest) {
        throw CLI::ValidationError("--video-size",
                                   "\"" + text + "\" is not WxH with sides from 1 to " + std::to_string(largest));
    }
    options.videoWidth = width;
    options.videoHeight = height;
}

// The speed keys act in every world's step, so their effect a frame grows
// with the number of worlds; the help says so, as the manual page does.
constexpr const char* speedKeysNote =
    "Speed keys in the window (and --hold): K faster, L slow motion, J normal speed. The time scale is\n"
    "shared by all worlds and each world's step applies K or L once, so it changes by 1 % per world\n"
    "every frame held: about 2 % a frame with the bundled scene's two worlds.\n"
    "Time keys in the window: P pause or go on, O one frame while paused, Backspace (held) back through\n"
    "the last 60 s of frames, R restart from the files,\n"
    "F5 save the state to vantor-YYYYMMDD-HHMMSS.state.json (drop it on the window, or --state, to load).";

}  // namespace

std::optional<int> heldKeyCode(const std::string& name) {
    std::string wanted = lowerCase(name);
    for (const KeyName& key : keyNames) {
        if (wanted == key.name) return key.code;
    }
    return std::nullopt;
}

bool parseOptions(int argc, char** argv, RunOptions& options, int& exitCode, std::ostream& out, std::ostream& err) {
    CLI::App app{"Vantor: a 2-D rigid-body physics sandbox for articulated figures.", "vantor"};
    app.failure_message(CLI::FailureMessage::help);
    app.footer(speedKeysNote);

    std::string settingsFile = options.settingsFile;
    std::string worldFile = options.worldFile;
    std::string heldKeys;

    CLI::Option* settingsOption =
        app.add_option("--settings", settingsFile, "Settings file (names in it are relative to its directory)")
            ->type_name("FILE")
            ->capture_default_str();
    CLI::Option* worldOption =
        app.add_option("--world", worldFile, "World file read at start-up (names in it are relative to its directory)")
            ->type_name("FILE")
            ->capture_default_str();
    CLI::Option* headlessOption =
        app.add_flag("--headless", options.headless, "Run without a window: read, step, then exit");
    app.add_option("--frames", options.frames, "Headless: frames to step back to back")
        ->type_name("N")
        ->check(CLI::NonNegativeNumber)
        ->needs(headlessOption);
    app.add_option("--hold", heldKeys,
                   "Headless: keys held during every frame, comma-separated (" + keyNameList() + ")")
        ->type_name("KEYS")
        ->needs(headlessOption);
    app.add_option("--dump", options.dumpFile,
                   "Write the whole state as JSON after the last frame (in a window: once the window has closed)")
        ->type_name("FILE")
        ->check(CLI::Validator(
            [](std::string& path) { return path.empty() ? std::string("empty file name") : std::string(); }, ""));
    CLI::Option* stateOption = app.add_option("--state", options.stateFile,
                                              "Start from a state saved by --dump or F5 instead of the world file")
                                   ->type_name("FILE")
                                   ->check(CLI::ExistingFile);
    app.add_option("--replay", options.replayFile,
                   "Feed the messages of a record at their loop passes instead of the real input (with --headless: "
                   "without a window, to the record's end unless --frames is given)")
        ->type_name("FILE")
        ->check(CLI::ExistingFile);
    app.add_option("--record", options.recordFile,
                   "Write every message the window procedure handles, with its loop pass, to FILE")
        ->type_name("FILE")
        ->check(CLI::Validator(
            [](std::string& path) { return path.empty() ? std::string("empty file name") : std::string(); }, ""));
    app.add_flag("--stats", options.stats,
                 "Headless: print step-time statistics and what kept the longest steps busy after the run")
        ->needs(headlessOption);
    app.add_option(
           "--threads", options.threads,
           "Threads a world step may share its work among (default 1: one is the fastest on machines measured so far)")
        ->type_name("N")
        ->check(CLI::PositiveNumber);
    CLI::Option* screenshotOption =
        app.add_option("--screenshot", options.screenshotFile, "Write the frame as a PNG after some frames, then exit")
            ->type_name("FILE")
            ->check(CLI::Validator(
                [](std::string& path) { return path.empty() ? std::string("empty file name") : std::string(); }, ""))
            ->excludes(headlessOption);
    app.add_option("--screenshot-frames", options.screenshotFrames, "Frames to run before the screenshot")
        ->type_name("N")
        ->check(CLI::PositiveNumber)
        ->capture_default_str()
        ->needs(screenshotOption);

    std::string videoSize;
    CLI::Option* videoOption =
        app.add_option("--video", options.videoFile,
                       "Headless: draw every frame where nobody sees it into a video clip, 50 frames a second: "
                       ".mp4 (H.264), .webm (VP9) or .gif (one palette for the clip), by the extension")
            ->type_name("FILE")
            ->check(CLI::Validator(
                [](std::string& path) { return path.empty() ? std::string("empty file name") : std::string(); }, ""))
            ->needs(headlessOption);
    app.add_option("--video-size", videoSize, "The clip's size (default: the window size of the settings)")
        ->type_name("WxH")
        ->needs(videoOption);

    CLI::Option* watchOption =
        app.add_flag("--watch", options.watch,
                     "Read the worlds again whenever a file they were read from (the world file, its includes, its "
                     "textures) changes; polls once a second")
            ->excludes(headlessOption);
    bool check = false;
    CLI::Option* checkOption = app.add_flag(
        "--check", check,
        "Check the FILEs (a folder: every *.ini file in it that no other includes) as the program reads them: print "
        "every note and a summary per file, open no window, exit with 1 when any had a note");
    app.add_flag("--dropped", options.checkAsDropped,
                 "With --check: read the files as files dropped on the window (the inside of a world block)")
        ->needs(checkOption);
    app.add_option("FILE", options.checkFiles, "Files or folders for --check")->needs(checkOption);
    checkOption->excludes(headlessOption)->excludes(watchOption)->excludes(screenshotOption)->excludes(stateOption);
    watchOption->excludes(stateOption);

    try {
        app.parse(argc, argv);
        if (check && options.checkFiles.empty()) throw CLI::ValidationError("--check", "needs at least one FILE");
        options.heldKeys = parseHeldKeys(heldKeys);
        if (!videoSize.empty()) parseVideoSize(videoSize, options);
    } catch (const CLI::ParseError& error) {
        // CLI11 has a code per kind of error; callers only need "usage error".
        exitCode = app.exit(error, out, err) == 0 ? 0 : usageErrorExitCode;
        return false;
    }

    if (settingsOption->count() > 0) {
        options.settingsFile = settingsFile;
        options.settingsPrefix = directoryOfPath(settingsFile);
    }
    if (worldOption->count() > 0) {
        options.worldFile = worldFile;
        options.worldPrefix = directoryOfPath(worldFile);
    }
    exitCode = 0;
    return true;
}

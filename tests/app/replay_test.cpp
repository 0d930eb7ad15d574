// Record and replay: the line format both ways, the replay's timing and
// what it lets through from the real window system, what the recorder writes,
// and end to end through the built program: a session recorded while a
// hand-written script is replayed, replayed again, ends in the same dump.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "app/input_state.h"
#include "app/options.h"
#include "app/replay.h"
#include "fake_window_system.h"
#include "files/settings.h"
#include "support/reset.h"

using nlohmann::json;

namespace {

// The lines of a record after its header line.
std::vector<ReplayEntry> parseText(const std::string& lines, std::string* error = nullptr) {
    std::istringstream input(std::string(recordHeader) + "\n" + lines);
    std::string problem;
    auto entries = parseReplay(input, problem);
    if (error) *error = problem;
    return entries ? *entries : std::vector<ReplayEntry>{};
}

ReplayEntry messageEntry(long iteration, uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0) {
    ReplayEntry entry;
    entry.iteration = iteration;
    entry.message = Message{message, wParam, lParam, {}};
    return entry;
}

TEST(ReplayFormat, EveryKindOfLineReadsBackAsWritten) {
    ReplayEntry view;
    view.iteration = 0;
    view.kind = ReplayEntry::Kind::view;
    view.viewWidth = 640.5f;
    view.viewHeight = 480.0f;
    view.fullscreen = true;
    ReplayEntry drop = messageEntry(9, wm::dropFiles);
    drop.files = {"C:\\a\\b c.ini", "say \"hi\".ini", ""};
    std::vector<ReplayEntry> entries{view,
                                     messageEntry(1, wm::mouseMove, 0x1, packLParam(65535, 12)),
                                     messageEntry(2, wm::keyDown, vk::k, 0x00250001),
                                     messageEntry(3, wm::sysCommand, sc::monitorPower, -1),
                                     messageEntry(4, 0x0209, 5, 6),
                                     drop,
                                     messageEntry(10, wm::quit)};
    std::string text;
    for (const ReplayEntry& entry : entries) text += formatReplayEntry(entry) + "\n";
    std::vector<ReplayEntry> back = parseText(text);
    ASSERT_EQ(back.size(), entries.size()) << text;
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(back[i].iteration, entries[i].iteration);
        EXPECT_EQ(back[i].kind, entries[i].kind);
        EXPECT_EQ(back[i].message.message, entries[i].message.message);
        EXPECT_EQ(back[i].message.wParam, entries[i].message.wParam);
        EXPECT_EQ(back[i].message.lParam, entries[i].message.lParam) << formatReplayEntry(entries[i]);
        EXPECT_EQ(back[i].files, entries[i].files);
    }
    EXPECT_EQ(back[0].viewWidth, 640.5f);
    EXPECT_TRUE(back[0].fullscreen);
    // Points read as people write them.
    EXPECT_EQ(formatReplayEntry(entries[1]), "1 WM_MOUSEMOVE 0x1 65535,12");
    EXPECT_EQ(formatReplayEntry(entries[2]), "2 WM_KEYDOWN 0x4B 0x250001");
}

TEST(ReplayFormat, CommentsBlankLinesAndShortFormsAreAccepted) {
    std::vector<ReplayEntry> entries =
        parseText("# a script\n\n  3 WM_LBUTTONDOWN\r\n4 WM_KEYUP 75\n5 0x201 0 10,20   \n6 WM_DROPFILES plain.ini\n");
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].message.message, wm::leftButtonDown);
    EXPECT_EQ(entries[0].message.lParam, 0);
    EXPECT_EQ(entries[1].message.wParam, static_cast<uintptr_t>(vk::k));
    EXPECT_EQ(entries[2].message.message, wm::leftButtonDown);
    EXPECT_EQ(entries[2].message.lParam, packLParam(10, 20));
    EXPECT_EQ(entries[3].files, std::vector<std::string>{"plain.ini"});
}

TEST(ReplayFormat, BadLinesAreReportedWithTheirNumber) {
    const std::vector<std::pair<std::string, std::string>> bad{
        {"WM_KEYDOWN 0x4B\n", "line 2"},
        {"1 WM_KEYDOWN 0x4B\n2 WM_WHATEVER\n", "line 3: unknown message"},
        {"1 WM_MOUSEMOVE 0 70000,1\n", "line 2: lParam"},
        {"1 WM_MOUSEMOVE 0 -5,1\n", "line 2: lParam"},
        {"1 WM_KEYDOWN 0x4B 0 7\n", "line 2"},
        {"1 WM_KEYDOWN -1\n", "line 2: wParam"},
        {"1 WM_KEYDOWN 99999999999999999999\n", "line 2: wParam"},
        {"1 WM_DROPFILES \"open\n", "line 2: unclosed"},
        {"1 view 400 nan windowed\n", "line 2"},
        {"1 view 400 300 sideways\n", "line 2"},
        {"-1 WM_CLOSE\n", "line 2"},
        // Files that are not records at all, or not as a run writes them.
        {std::string("\x7f"
                     "ELF\x02\x01\x01\0\0\n",
                     9),
         "line 2: control character 0x02: not a record"},
        {"1 WM_KEYDOWN 0x4B\n" + std::string(100000, 'A') + "\n", "line 3: longer than any record line"},
        {"5 WM_KEYDOWN 0x4B\n3 WM_KEYUP 0x4B\n", "line 3: pass 3 comes after pass 5"},
        {"0 WM_KEYDOWN 0x4B\n1 WM_KEY", "line 3: unknown message \"WM_KEY\""},
        {"1 WM_" + std::string(5000, 'X') + "\n", "\"WM_" + std::string(37, 'X') + "\"..."},
        // A pass no session reaches would have a replay run for years.
        {"1099511627776 WM_QUIT\n", "line 2: pass \"1099511627776\" is not a whole number up to 2^31"},
        {"2147483649 WM_QUIT\n", "line 2: pass"},
        // A view past any window's would carry the cursor, and a held body
        // with it, to infinity.
        {"0 view 3e38 3e38 windowed\n", "line 2: expected \"view WIDTH HEIGHT"},
        {"0 view 2e7 300 windowed\n", "line 2"},
        // Found by fuzzing: unprintable bytes grow fourfold when escaped.
        {"p20" + std::string(48, '\xAF') + " 0 seb\n", "line 2: pass \"p20\\xAF"},
    };
    for (const auto& [lines, expected] : bad) {
        std::string text = std::string(recordHeader) + "\n" + lines;
        std::istringstream input(text);
        std::string error;
        EXPECT_FALSE(parseReplay(input, error).has_value()) << text.substr(0, 80);
        EXPECT_NE(error.find(expected), std::string::npos) << text.substr(0, 80) << " gave: " << error;
        EXPECT_LT(error.size(), 200u) << "one short line";
    }
}

TEST(ReplayFormat, OnlyARecordOfAKnownVersionIsRead) {
    const std::vector<std::pair<std::string, std::string>> refused{
        {"", "line 1: empty"},
        {"0 WM_KEYDOWN 0x4B\n", "line 1: not a record: the first line must be \"vantor-record 1\""},
        {"# vantor record: pass, message, wParam, lParam\n0 WM_QUIT\n", "line 1: not a record"},
        {"\nvantor-record 1\n", "line 1: not a record"},
        {"vantor-record\n", "line 1: not a record"},
        {"vantor-record 2\n0 WM_QUIT\n", "line 1: record version \"2\": this Vantor reads version 1"},
        {"vantor-record 01\n", "line 1: record version"},
    };
    for (const auto& [text, expected] : refused) {
        std::istringstream input(text);
        std::string error;
        EXPECT_FALSE(parseReplay(input, error).has_value()) << text;
        EXPECT_NE(error.find(expected), std::string::npos) << text << " gave: " << error;
    }
    std::istringstream headerOnly("vantor-record 1\r\n");
    std::string error;
    auto entries = parseReplay(headerOnly, error);
    ASSERT_TRUE(entries.has_value()) << error;
    EXPECT_TRUE(entries->empty());
}

class Replaying : public ::testing::Test {
protected:
    void SetUp() override { resetProcessState(); }
    void TearDown() override { resetProcessState(); }

    // The message of each of `passes` passes, 0 for none.
    static std::vector<uint32_t> run(MessageSource& source, int passes, std::vector<Message>* got = nullptr) {
        std::vector<uint32_t> messages;
        for (int pass = 0; pass < passes; ++pass) {
            Message message;
            bool any = source.nextMessage(message);
            messages.push_back(any ? message.message : 0);
            if (any && got) got->push_back(message);
        }
        return messages;
    }
    FakeWindowSystem real;
};

TEST_F(Replaying, MessagesComeAtTheirPassOneAPass) {
    ReplaySource replay(real, parseText("1 WM_KEYDOWN 0x4B\n3 WM_MOUSEMOVE 0 1,2\n3 WM_LBUTTONDOWN\n4 WM_KEYUP 0x4B\n"),
                        true);
    std::vector<uint32_t> expected{0, wm::keyDown, 0, wm::mouseMove, wm::leftButtonDown, wm::keyUp, 0};
    EXPECT_EQ(run(replay, 7), expected);
    EXPECT_TRUE(replay.finished());
}

TEST_F(Replaying, HeadlessViewsSetTheDisplayAndAltEnterIsLeftOut) {
    ReplaySource replay(real,
                        parseText("0 view 400 300 windowed\n2 WM_SYSKEYDOWN 0x0D\n3 view 1280 1024 fullscreen\n"
                                  "3 WM_SYSKEYDOWN 0x73\n"),
                        true);
    EXPECT_EQ(run(replay, 1), std::vector<uint32_t>{0});
    EXPECT_EQ(viewWidth, 400.0f);
    EXPECT_FALSE(fullscreen);
    EXPECT_EQ(run(replay, 3), (std::vector<uint32_t>{0, 0, wm::sysKeyDown}));
    EXPECT_EQ(viewHeight, 1024.0f);
    EXPECT_TRUE(fullscreen);
}

TEST_F(Replaying, InAWindowViewsComeFromTheRealWindow) {
    viewWidth = 800.0f;
    ReplaySource replay(real, parseText("0 view 400 300 windowed\n1 WM_SYSKEYDOWN 0x0D\n"), false);
    EXPECT_EQ(run(replay, 2), (std::vector<uint32_t>{0, wm::sysKeyDown}));
    EXPECT_EQ(viewWidth, 800.0f);
}

TEST_F(Replaying, DropsCarryTheRecordedFiles) {
    ReplaySource replay(real, parseText("0 WM_DROPFILES \"a b.ini\" c.ini\n"), true);
    std::vector<Message> got;
    run(replay, 1, &got);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].files, (std::vector<std::string>{"a b.ini", "c.ini"}));
}

TEST_F(Replaying, RealInputIsDroppedButCloseAndQuitComeWhenNothingIsDue) {
    ReplaySource replay(real, parseText("0 WM_MOUSEMOVE 0 1,1\n1 WM_KEYDOWN 0x4A\n5 WM_KEYUP 0x4A\n"), false);
    real.queue(wm::keyDown, vk::k);
    real.queue(wm::dropFiles);
    real.queue(wm::close);
    // Neither K nor the real drop arrives; the close waits its turn.
    EXPECT_EQ(run(replay, 3), (std::vector<uint32_t>{wm::mouseMove, wm::keyDown, wm::close}));
    real.postQuitMessage(0);
    EXPECT_EQ(run(replay, 3), (std::vector<uint32_t>{wm::quit, 0, wm::keyUp}));
    // Past the record's end the real input takes over.
    real.queue(wm::keyDown, vk::l);
    EXPECT_EQ(run(replay, 1), std::vector<uint32_t>{wm::keyDown});
}

TEST_F(Replaying, TheRecorderWritesPassesViewChangesAndDroppedFiles) {
    viewWidth = 400.0f;
    viewHeight = 300.0f;
    std::ostringstream out;
    ReplaySource replay(real, parseText("1 WM_SIZE 0 640,480\n2 WM_DROPFILES \"x\\\\y.ini\"\n4 WM_CLOSE\n"), false);
    RecordingSource recorder(replay, out);
    run(recorder, 2);
    viewWidth = 640.0f;  // as WM_SIZE would leave it: no view line
    viewHeight = 480.0f;
    run(recorder, 1);
    fullscreen = true;  // as a toggle would: a view line
    viewWidth = 1280.0f;
    run(recorder, 2);
    std::string expected =
        "0 view 400 300 windowed\n"
        "1 WM_SIZE 0x0 640,480\n"
        "2 WM_DROPFILES \"x\\\\y.ini\"\n"
        "3 view 1280 480 fullscreen\n"
        "4 WM_CLOSE 0x0 0x0\n";
    std::string text = out.str();
    ASSERT_EQ(text.substr(0, text.find('\n')), "vantor-record 1");
    // Then a comment naming the fields.
    size_t comment = text.find('\n') + 1;
    ASSERT_EQ(text.substr(comment, 1), "#");
    EXPECT_EQ(text.substr(text.find('\n', comment) + 1), expected);
}

TEST(ReplayOptions, ReplayMustExistAndDumpAndRecordWorkInAWindow) {
    auto parse = [](std::vector<std::string> words, RunOptions& options) {
        words.insert(words.begin(), "vantor");
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        std::ostringstream out, err;
        int exitCode = -1;
        bool proceed = parseOptions(static_cast<int>(argv.size()), argv.data(), options, exitCode, out, err);
        return proceed ? 0 : exitCode;
    };
    RunOptions options;
    EXPECT_EQ(parse({"--replay", "/no/such/record.txt"}, options), usageErrorExitCode);
    EXPECT_EQ(parse({"--record", ""}, options), usageErrorExitCode);
    EXPECT_EQ(parse({"--record", "session.txt", "--dump", "end.json"}, options), 0);
    EXPECT_EQ(options.recordFile, "session.txt");
    EXPECT_EQ(options.dumpFile, "end.json");
    EXPECT_FALSE(options.headless);
}

// The built program in a scratch directory.
class ReplayProgram : public ::testing::Test {
protected:
    std::filesystem::path dir;

    void SetUp() override {
        dir =
            std::filesystem::temp_directory_path() / ("vantor-replay-" + std::to_string(getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    int run(const std::string& arguments) {
        std::string command = "cd '" + dir.string() + "' && '" VANTOR_BINARY "' " + arguments + " > '" +
                              (dir / "out.txt").string() + "' 2>&1";
        int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string read(const std::string& name) {
        std::ifstream in(dir / name);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void write(const std::string& name, const std::string& text) { std::ofstream(dir / name) << text; }
};

const std::string fallingBox = " --world '" VANTOR_TEST_DATA "/gui/falling_box.ini'";

// The box of falling_box.ini hangs at (-100, 100); on a 400 by 300 view
// that is the client point (100, 50).
const std::string grabScript =
    "vantor-record 1\n"
    "0 view 400 300 windowed\n"
    "1 WM_MOUSEMOVE 0 100,50\n"
    "2 WM_LBUTTONDOWN 0x1 100,50\n"
    "3 WM_MOUSEMOVE 0x1 300,50\n"
    "4 WM_KEYDOWN 0x4B 0x1\n"
    "20 WM_KEYUP 0x4B 0xC0000001\n"
    "30 WM_KEYDOWN 0x11 0x1\n"
    "31 WM_LBUTTONUP 0x8 300,50\n"
    "40 WM_MOUSEMOVE 0 250,200\n"
    "41 WM_DROPFILES \"" VANTOR_TEST_DATA
    "/drops/box.ini\"\n"
    "50 WM_KEYUP 0x11 0xC0000001\n"
    "51 WM_LBUTTONUP 0 250,200\n"
    "60 WM_CLOSE\n";

TEST_F(ReplayProgram, ARecordedSessionReplaysToTheSameState) {
    write("script.txt", grabScript);
    ASSERT_EQ(run("--headless --replay script.txt --record session.txt --dump live.json" + fallingBox), 0)
        << read("out.txt");
    ASSERT_EQ(run("--headless --replay session.txt --dump replayed.json" + fallingBox), 0) << read("out.txt");
    EXPECT_EQ(read("live.json"), read("replayed.json"));
    // Re-recording a recorded session changes nothing in it.
    ASSERT_EQ(run("--headless --replay session.txt --record again.txt" + fallingBox), 0);
    EXPECT_EQ(read("session.txt"), read("again.txt"));

    // The run ended with the quit after WM_CLOSE: 61 passes, each stepped.
    json live = json::parse(read("live.json"));
    EXPECT_EQ(live["worlds"][0]["stepCount"], 61);
    EXPECT_NE(read("session.txt").find("61 WM_QUIT"), std::string::npos);
    // The drop added its model at the cursor, (50, -50) in the world.
    const json& models = live["worlds"][0]["models"];
    ASSERT_EQ(models.size(), 3u);
    EXPECT_EQ(models[2]["label"], "dropped");
    EXPECT_NEAR(models[2]["bodies"][0]["x"].get<double>(), 50.0, 1.0);
    EXPECT_TRUE(live["worlds"][0]["springs"].empty());
}

// A session that starts from a saved state names it in its record, and
// the replay starts from it again: same bytes, pause and single steps too.
TEST_F(ReplayProgram, ASessionFromASavedStateReplaysFromIt) {
    ASSERT_EQ(run("--headless --frames 30 --dump start.state.json" + fallingBox), 0) << read("out.txt");
    write("script.txt", grabScript.substr(0, grabScript.find("41 ")) +
                            "42 WM_KEYDOWN 0x50 0x1\n"         // P: paused
                            "44 WM_KEYDOWN 0x4F 0x1\n"         // O: one frame
                            "45 WM_KEYDOWN 0x4F 0x40000001\n"  // its repeat: another
                            "47 WM_KEYDOWN 0x50 0x1\n"         // P again, a repeat: still paused
                            "60 WM_CLOSE\n");
    ASSERT_EQ(run("--headless --state start.state.json --replay script.txt --record session.txt --dump live.json"), 0)
        << read("out.txt");
    // After the header and the comment naming the fields.
    std::string session = read("session.txt");
    EXPECT_EQ(session.find("0 state \"start.state.json\""), session.find('\n', session.find('\n') + 1) + 1);
    ASSERT_EQ(run("--headless --replay session.txt --dump replayed.json"), 0) << read("out.txt");
    EXPECT_EQ(read("live.json"), read("replayed.json"));
    // 30 frames before the save, 42 passes to the pause, two single steps.
    EXPECT_EQ(json::parse(read("live.json"))["worlds"][0]["stepCount"], 30 + 42 + 2);
}

TEST_F(ReplayProgram, TheGrabPullsTheBoxTowardsTheCursor) {
    write("script.txt", grabScript.substr(0, grabScript.find("30 ")));
    write("none.txt", "vantor-record 1\n");
    ASSERT_EQ(run("--headless --frames 25 --replay script.txt --dump grabbed.json" + fallingBox), 0);
    ASSERT_EQ(run("--headless --frames 25 --replay none.txt --dump free.json" + fallingBox), 0);
    json grabbed = json::parse(read("grabbed.json"));
    json free = json::parse(read("free.json"));
    const json& held = grabbed["worlds"][0]["models"][1]["bodies"][0];
    const json& fell = free["worlds"][0]["models"][1]["bodies"][0];
    EXPECT_GT(held["x"].get<double>(), -95.0);
    EXPECT_NEAR(fell["x"].get<double>(), -100.0, 0.01);
    ASSERT_EQ(grabbed["worlds"][0]["springs"].size(), 1u);
    EXPECT_EQ(grabbed["worlds"][0]["springs"][0]["endB"], json({{"cursor", 0}}));
    EXPECT_EQ(grabbed["worlds"][0]["cursorEnd"]["point"][0], 100.0);
}

// Zoomed in on the box with the wheel and panned to the centre with the
// middle button, a press 15 pixels right of the centre grabs the box (at
// (15, 0) in the default view there is nothing); recorded and replayed,
// the session ends in the same state.
TEST_F(ReplayProgram, AZoomedSessionGrabsWhatItShowsAndReplaysTheSame) {
    write("script.txt",
          "vantor-record 1\n"
          "0 view 400 300 windowed\n"
          "1 WM_MOUSEMOVE 0 100,50\n"
          "2 WM_MOUSEWHEEL 0x1E00000 100,50\n"  // four notches in
          "3 WM_MBUTTONDOWN 0x10 100,50\n"
          "4 WM_MOUSEMOVE 0x10 200,150\n"
          "5 WM_MBUTTONUP 0 200,150\n"
          "6 WM_MOUSEMOVE 0 215,150\n"
          "7 WM_LBUTTONDOWN 0x1 215,150\n"
          "20 WM_CLOSE\n");
    ASSERT_EQ(run("--headless --replay script.txt --record session.txt --dump live.json" + fallingBox), 0)
        << read("out.txt");
    ASSERT_EQ(run("--headless --replay session.txt --dump replayed.json" + fallingBox), 0) << read("out.txt");
    EXPECT_EQ(read("live.json"), read("replayed.json"));
    EXPECT_NE(read("session.txt").find("2 WM_MOUSEWHEEL 0x1E00000 100,50"), std::string::npos);
    json live = json::parse(read("live.json"));
    ASSERT_EQ(live["worlds"][0]["springs"].size(), 1u);
    const json& cursor = live["worlds"][0]["cursorEnd"];
    EXPECT_EQ(cursor["springs"].size(), 1u);
    EXPECT_NEAR(cursor["point"][0].get<double>(), -100.0 + 15.0 / 2.44140625, 1e-3);
    EXPECT_NEAR(cursor["point"][1].get<double>(), 100.0, 1e-3);
}

// Backspace held from pass 100 goes back one frame a pass, past the drop,
// the pin and the grab: each frame it reaches is the state of a run that
// stopped there, and the run goes on from it as that run would. The record
// of a session that went back replays to the same bytes.
TEST_F(ReplayProgram, BackspaceGoesBackToExactlyTheStateOfEachFrame) {
    std::string session = grabScript.substr(0, grabScript.find("60 "));
    write("back.txt", session + "100 WM_KEYDOWN 0x8 0x1\n");
    write("until25.txt", grabScript.substr(0, grabScript.find("30 ")));
    write("never.txt", session);
    struct Case {
        std::string backArguments, straightArguments;
    };
    // 100 frames stepped, then back 75 to frame 25 (the grab held, before
    // the pin and the drop), back 45 to frame 55, and back past frame 0.
    for (const Case& same :
         {Case{"--frames 175", "--replay until25.txt --frames 25"},
          Case{"--frames 145", "--replay never.txt --frames 55"}, Case{"--frames 300", "--frames 0"}}) {
        ASSERT_EQ(run("--headless --replay back.txt --dump back.json " + same.backArguments + fallingBox), 0)
            << read("out.txt");
        ASSERT_EQ(run("--headless --dump straight.json " + same.straightArguments + fallingBox), 0) << read("out.txt");
        EXPECT_TRUE(read("back.json") == read("straight.json")) << same.backArguments;
    }
    write("script.txt", session +
                            "100 WM_KEYDOWN 0x8 0x1\n101 WM_KEYDOWN 0x8 0x40000001\n130 WM_KEYUP 0x8\n"
                            "140 WM_CLOSE\n");
    ASSERT_EQ(run("--headless --replay script.txt --record session.txt --dump live.json" + fallingBox), 0);
    ASSERT_EQ(run("--headless --replay session.txt --dump replayed.json" + fallingBox), 0);
    EXPECT_EQ(read("live.json"), read("replayed.json"));
    EXPECT_EQ(json::parse(read("live.json"))["worlds"][0]["stepCount"], 100 - 30 + 11);
}

TEST_F(ReplayProgram, AnUnreadableReplayIsRefused) {
    write("bad.txt", "vantor-record 1\n1 WM_KEYDOWN 0x4B\n2 WM_NOPE\n");
    EXPECT_EQ(run("--headless --replay bad.txt"), 1);
    EXPECT_NE(read("out.txt").find("bad.txt, line 3"), std::string::npos);
    // A record from before the header line, or from a later version.
    write("old.txt", "1 WM_KEYDOWN 0x4B\n");
    EXPECT_EQ(run("--headless --replay old.txt"), 1);
    EXPECT_NE(
        read("out.txt").find("vantor: old.txt, line 1: not a record: the first line must be \"vantor-record 1\"\n"),
        std::string::npos)
        << read("out.txt");
    write("later.txt", "vantor-record 2\n1 WM_KEYDOWN 0x4B\n");
    EXPECT_EQ(run("--headless --replay later.txt"), 1);
    EXPECT_NE(read("out.txt").find("later.txt, line 1: record version"), std::string::npos);
}

}  // namespace

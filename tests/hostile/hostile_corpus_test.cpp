// Every world file in tests/corpus/hostile goes through the real program:
// read headless, 100 frames stepped, dumped. A hostile file may lose the
// rest of its input, never the process: the run ends normally, in seconds,
// and every number in the dump is finite.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <random>

#include "hostile/program_run.h"

namespace fs = std::filesystem;

static const fs::path corpus = VANTOR_SOURCE_DIR "/tests/corpus/hostile";

static std::vector<std::string> hostileWorldFiles() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(corpus))
        if (entry.path().extension() == ".ini") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

static std::string testNameOf(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = fs::path(info.param).stem().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

static void expectNormalFiniteRun(const ProgramRun& run, double secondsAllowed) {
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_LT(run.seconds, secondsAllowed);
    ASSERT_TRUE(run.dump.is_object()) << "no readable dump\n" << run.errors;
    EXPECT_EQ(nonFiniteValues(run.dump), "");
}

class HostileFile : public ::testing::TestWithParam<std::string> {};

TEST_P(HostileFile, ReadStepsAndEndsWithEveryNumberFinite) {
    ScratchDirectory scratch("hostile-" + testNameOf({GetParam(), 0}));
    // The settings file is hostile too; each run reads it first.
    ProgramRun run =
        runProgramHeadless(scratch.path, "--frames 100 --settings " + quoted(corpus / "settings_hostile.ini") +
                                             " --world " + quoted(corpus / GetParam()));
    expectNormalFiniteRun(run, 60.0);
    // Every file but the settings one starts a world before its trouble.
    if (GetParam() != "settings_hostile.ini" && run.dump.is_object()) {
        EXPECT_GE(run.dump["worlds"].size(), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, HostileFile, ::testing::ValuesIn(hostileWorldFiles()), testNameOf);

// Cases too big to keep in the repository or that need devices and pipes:
// the test makes them in a scratch directory.
class MadeHostileFile : public ::testing::Test {
protected:
    ScratchDirectory scratch{"made-hostile-" +
                             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())};

    void write(const std::string& name, const std::string& text) {
        std::ofstream out(scratch.path / name, std::ios::binary);
        out << text;
    }

    ProgramRun runWorld(const std::string& name, int frames = 100) {
        return runProgramHeadless(scratch.path,
                                  "--frames " + std::to_string(frames) + " --world " + quoted(scratch.path / name));
    }
};

TEST_F(MadeHostileFile, FiftyMegabytesOfRandomBytesEndInSeconds) {
    std::mt19937 generator(8);
    std::string bytes(50u << 20, '\0');
    for (size_t i = 0; i < bytes.size(); i += 4) {
        uint32_t word = generator();
        for (size_t k = 0; k < 4 && i + k < bytes.size(); ++k) bytes[i + k] = static_cast<char>(word >> (8 * k));
    }
    write("random.ini", bytes);
    // The same bytes behind a world block's key: they are read as world text.
    write("random_in_world.ini", "W { f random.ini }");
    expectNormalFiniteRun(runWorld("random.ini"), 30.0);
    expectNormalFiniteRun(runWorld("random_in_world.ini"), 30.0);
}

TEST_F(MadeHostileFile, FiftyMegabytesOfSkippedCharactersEndInSeconds) {
    // Each byte is a key the block does not define: skipped one at a time,
    // with the notes long used up.
    std::string skipped(50u << 20, '\0');
    write("top_level.ini", skipped);
    write("in_world.ini", "W { " + skipped + " M { P { g { x= 0 0 } p { v 0 0 v 1 0 v 1 1 } } } }");
    expectNormalFiniteRun(runWorld("top_level.ini"), 60.0);
    ProgramRun run = runWorld("in_world.ini");
    expectNormalFiniteRun(run, 60.0);
    ASSERT_TRUE(run.dump.is_object());
    EXPECT_EQ(run.dump["worlds"][0]["models"].size(), 1u);
}

TEST_F(MadeHostileFile, IncludesOfDevicesPipesAndDirectoriesAddNothing) {
    fs::create_symlink("/dev/zero", scratch.path / "zero.txt");
    fs::create_symlink("/dev/urandom", scratch.path / "urandom.txt");
    fs::create_directory(scratch.path / "directory.txt");
    ASSERT_EQ(mkfifo((scratch.path / "pipe.txt").c_str(), 0600), 0);
    write("square.txt", "M { P { g { x= 0 0 } p { v 0 0 v 10 0 v 10 10 v 0 10 } } }");
    write("world.ini",
          "W { f zero.txt f urandom.txt f directory.txt f pipe.txt f square.txt\n"
          "  M { P { g { x= 0 0 } p { v 0 0 v 1 0 v 1 1 f zero.txt f pipe.txt }\n"
          "    t { t zero.tga p { tv 0 0 pv 0 0 } } t { t pipe.png p { tv 0 0 pv 0 0 } } } } }\n");
    fs::create_symlink("/dev/zero", scratch.path / "zero.tga");
    ASSERT_EQ(mkfifo((scratch.path / "pipe.png").c_str(), 0600), 0);

    ProgramRun run = runWorld("world.ini");
    expectNormalFiniteRun(run, 30.0);
    // Only the regular file adds its model, next to the one written inline.
    ASSERT_TRUE(run.dump.is_object());
    EXPECT_EQ(run.dump["worlds"][0]["models"].size(), 2u);
    EXPECT_NE(run.errors.find("zero.txt"), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find("pipe.txt"), std::string::npos) << run.errors;
}

TEST_F(MadeHostileFile, TopLevelPathsThatAreNotFilesReadAsEmpty) {
    fs::create_directory(scratch.path / "folder");
    ASSERT_EQ(mkfifo((scratch.path / "pipe").c_str(), 0600), 0);
    // A regular file whose reading fails with EIO, as the world and as an include.
    fs::create_symlink("/proc/self/mem", scratch.path / "unreadable.ini");
    write("includes_unreadable.ini", "W { f unreadable.ini M { l after P { g { x= 0 0 } p { v 0 0 v 1 0 v 1 1 } } } }");
    struct Case {
        std::string arguments, note;
    };
    const Case cases[] = {
        {"--world " + quoted(scratch.path / "folder"), "folder\" is a folder; it reads as empty"},
        {"--world " + quoted(scratch.path / "pipe"), "pipe\" is not a regular file"},
        {"--world /dev/zero", "\"/dev/zero\" is not a regular file"},
        {"--settings " + quoted(scratch.path / "pipe") + " --world " + quoted(scratch.path / "folder"),
         "pipe\" is not a regular file"},
        {"--world " + quoted(scratch.path / "unreadable.ini"), "cannot read further (Input/output error)"},
        {"--world " + quoted(scratch.path / "includes_unreadable.ini"), "cannot read further (Input/output error)"},
    };
    for (const Case& c : cases) {
        ProgramRun run = runProgramHeadless(scratch.path, "--frames 10 " + c.arguments, 30);
        expectNormalFiniteRun(run, 10.0);
        EXPECT_NE(run.errors.find(c.note), std::string::npos) << c.arguments << "\n" << run.errors;
    }
}

TEST_F(MadeHostileFile, IncludesThatAmplifyAReadStopAtItsBudgets) {
    // A 4 MB comment read 4 096 times, a body of 5 000 points read 4 096
    // times (each model apart from the others), and a hundred thousand
    // worlds of three bytes each.
    write("comment.txt", "/" + std::string(4u << 20, 'x') + "\n");
    std::string points;
    for (int i = 0; i < 5000; ++i) points += "v p 1000 " + std::to_string(i * 360.0 / 5000) + " ";
    write("points.txt", "P { g { x= 0 0 } p { " + points + "} }");
    std::string comments = "W { ", shapes = "W { ", worlds;
    for (int i = 0; i < 4096; ++i) {
        comments += "f comment.txt ";
        shapes += "M { x= " + std::to_string(3000 * i) + " 0 f points.txt } ";
    }
    for (int i = 0; i < 100000; ++i) worlds += "W{}";
    write("comments.ini", comments + "}");
    write("shapes.ini", shapes + "}");
    write("worlds.ini", worlds);
    const std::pair<const char*, const char*> cases[] = {
        {"comments.ini", "more than 256 MB of text in one read; reading stops here"},
        {"shapes.ini", "more than 262 144 points in one read; reading stops here"},
        {"worlds.ini", "more than 64 worlds in one read; reading stops here"},
    };
    for (const auto& [name, note] : cases) {
        ProgramRun run = runWorld(name, 10);
        expectNormalFiniteRun(run, 30.0);
        EXPECT_NE(run.errors.find(note), std::string::npos) << name << "\n" << run.errors;
    }
}

static std::string tgaHeader(uint16_t width, uint16_t height, uint8_t bitsPerPixel) {
    std::string header(18, '\0');
    header[2] = 2;
    header[12] = static_cast<char>(width & 0xFF), header[13] = static_cast<char>(width >> 8);
    header[14] = static_cast<char>(height & 0xFF), header[15] = static_cast<char>(height >> 8);
    header[16] = static_cast<char>(bitsPerPixel);
    return header;
}

TEST_F(MadeHostileFile, WholeTgaOfWidth65535LoadsAsAnyOther) {
    write("wide.tga", tgaHeader(65535, 1, 24) + std::string(65535u * 3, '\x40'));
    write("wide_alpha.tga", tgaHeader(65535, 2, 32) + std::string(65535u * 2 * 4, '\x40'));
    write("world.ini",
          "W { M { P { g { x= 0 0 } p { v 0 0 v 10 0 v 10 10 }\n"
          "  t { t wide.tga p { tv 0 0 pv 0 0 tv 65535 1 pv 10 0 tv 0 1 pv 10 10 } }\n"
          "  t { t wide_alpha.tga p { tv 65535 2 pv 0 0 } } } } }\n");
    ProgramRun run = runWorld("world.ini");
    expectNormalFiniteRun(run, 30.0);
    ASSERT_TRUE(run.dump.is_object());
    const auto& textures = run.dump["worlds"][0]["models"][0]["bodies"][0]["textures"];
    ASSERT_EQ(textures.size(), 2u);
    for (const auto& texture : textures) {
        EXPECT_GT(texture["textureWidth"].get<uint32_t>(), 0u);
        EXPECT_GT(texture["textureHeight"].get<uint32_t>(), 0u);
    }
}

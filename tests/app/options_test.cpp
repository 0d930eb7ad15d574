// The command line: defaults, file prefixes, held keys and usage errors.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/input_state.h"
#include "app/options.h"

namespace {

// Runs parseOptions on "vantor" plus `arguments`, keeping what it printed.
struct Parse {
    RunOptions options;
    int exitCode = -1;
    bool proceed = false;
    std::string out, err;
};

Parse parse(const std::vector<std::string>& arguments) {
    std::vector<std::string> words{"vantor"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    std::ostringstream out, err;
    Parse result;
    result.proceed =
        parseOptions(static_cast<int>(argv.size()), argv.data(), result.options, result.exitCode, out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

TEST(Options, NoArgumentsGiveTheStartUpFiles) {
    Parse p = parse({});
    ASSERT_TRUE(p.proceed);
    EXPECT_EQ(p.exitCode, 0);
    EXPECT_EQ(p.options.settingsFile, "rsc/engine.ini");
    EXPECT_EQ(p.options.settingsPrefix, "rsc/");
    EXPECT_EQ(p.options.worldFile, "rsc/firstWorld.ini");
    EXPECT_EQ(p.options.worldPrefix, "rsc/");
    EXPECT_FALSE(p.options.headless);
    EXPECT_EQ(p.options.frames, 0);
    EXPECT_TRUE(p.options.heldKeys.empty());
    EXPECT_TRUE(p.options.dumpFile.empty());
    EXPECT_FALSE(p.options.stats);
    EXPECT_TRUE(p.err.empty()) << p.err;
}

TEST(Options, WorldAndSettingsTakeTheirPrefixFromTheirOwnDirectory) {
    Parse p = parse({"--world", "scenes/demo/stack.ini", "--settings", "engine.ini"});
    ASSERT_TRUE(p.proceed) << p.err;
    EXPECT_EQ(p.options.worldFile, "scenes/demo/stack.ini");
    EXPECT_EQ(p.options.worldPrefix, "scenes/demo/");
    EXPECT_EQ(p.options.settingsFile, "engine.ini");
    EXPECT_EQ(p.options.settingsPrefix, "");

    EXPECT_EQ(p.options.settingsPrefix, "");

    Parse onlyWorld = parse({"--world=w.ini"});
    ASSERT_TRUE(onlyWorld.proceed);
    EXPECT_EQ(onlyWorld.options.worldPrefix, "");
    EXPECT_EQ(onlyWorld.options.settingsFile, "rsc/engine.ini");
    EXPECT_EQ(onlyWorld.options.settingsPrefix, "rsc/");
}

TEST(Options, HeadlessRunOptions) {
    Parse p = parse({"--headless", "--frames", "250", "--dump", "out.json", "--stats", "--threads", "3"});
    ASSERT_TRUE(p.proceed) << p.err;
    EXPECT_TRUE(p.options.headless);
    EXPECT_EQ(p.options.frames, 250);
    EXPECT_EQ(p.options.dumpFile, "out.json");
    EXPECT_TRUE(p.options.stats);
    EXPECT_EQ(p.options.threads, 3);
    EXPECT_EQ(parse({}).options.threads, 1);
}

TEST(Options, HoldTakesEveryKnownKeyName) {
    Parse p = parse({"--headless", "--hold", "space,f9,j,k,l,ctrl,s,f1,f2,F3"});
    ASSERT_TRUE(p.proceed) << p.err;
    std::vector<int> expected{vk::space, vk::f9, vk::j, vk::k, vk::l, vk::control, vk::s, vk::f1, vk::f2, vk::f3};
    EXPECT_EQ(p.options.heldKeys, expected);

    Parse twice = parse({"--headless", "--hold", "j,J"});
    ASSERT_TRUE(twice.proceed);
    EXPECT_EQ(twice.options.heldKeys, std::vector<int>{vk::j});
}

TEST(Options, UsageErrorsExitNonZeroWithUsage) {
    const std::vector<std::vector<std::string>> badLines{{"--no-such-option"},
                                                         {"--headless", "--hold", "space,shift"},
                                                         {"--headless", "--hold", "j,,k"},
                                                         {"--headless", "--hold", "j,"},
                                                         {"--headless", "--frames", "-1"},
                                                         {"--headless", "--frames", "ten"},
                                                         {"--headless", "--frames"},
                                                         {"--frames", "10"},  // runner options need --headless
                                                         {"--headless", "--dump", ""},
                                                         {"--threads", "0"},
                                                         {"stray-word"}};
    for (const auto& arguments : badLines) {
        Parse p = parse(arguments);
        std::string shown;
        for (const std::string& word : arguments) shown += word + " ";
        EXPECT_FALSE(p.proceed) << shown;
        EXPECT_EQ(p.exitCode, usageErrorExitCode) << shown;
        EXPECT_NE(p.err.find("--headless"), std::string::npos) << "usage listed for " << shown;
    }
}

TEST(Options, HelpListsTheOptionsAndExitsZero) {
    Parse p = parse({"--help"});
    EXPECT_FALSE(p.proceed);
    EXPECT_EQ(p.exitCode, 0);
    for (const char* name : {"--headless", "--frames", "--world", "--settings", "--hold", "--dump", "--stats"}) {
        EXPECT_NE(p.out.find(name), std::string::npos) << name;
    }
    // K and L act once per world per frame, not once per frame.
    EXPECT_NE(p.out.find("1 % per world"), std::string::npos) << p.out;
}

}  // namespace

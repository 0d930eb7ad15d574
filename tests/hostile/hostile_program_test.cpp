// What the program is handed besides world files: records to replay and
// places to write to. Through the real program, headless: a record that asks
// for endless work, a cursor past the float range, or a read that never ends
// is refused at once with one note; a write that fails is one note and
// exit status 1, never a success; pictures are held once per file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "hostile/program_run.h"

namespace fs = std::filesystem;

namespace {

class HostileProgramInput : public ::testing::Test {
protected:
    ScratchDirectory scratch{"hostile-program-" +
                             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())};

    void write(const std::string& name, const std::string& text) {
        std::ofstream out(scratch.path / name, std::ios::binary);
        out << text;
    }

    void SetUp() override {
        write("box.ini", "W { M { P { ! NOGRAVITY g { x= 0 0 } p { v -20 -20 v 20 -20 v 20 20 v -20 20 } } } }");
    }

    ProgramRun run(const std::string& arguments) {
        return runProgramHeadless(scratch.path, "--world box.ini " + arguments, 30);
    }

    static void expectRefused(const ProgramRun& run, const std::string& note) {
        EXPECT_EQ(run.exitCode, 1) << run.errors;
        EXPECT_LE(run.seconds, 10.0);
        EXPECT_NE(run.errors.find(note), std::string::npos) << run.errors;
    }
};

TEST_F(HostileProgramInput, RecordsAskingTheImpossibleAreRefusedWithFileAndLine) {
    // Days of passes for one line.
    write("endless.txt", "vantor-record 1\n1099511627776 WM_QUIT\n");
    expectRefused(run("--replay endless.txt"), "endless.txt, line 2: pass \"1099511627776\"");
    // A view no window has: the cursor, and the body it holds, went to inf.
    write("huge_view.txt",
          "vantor-record 1\n0 view 400 300 windowed\n1 WM_MOUSEMOVE 0x0 200,150\n2 WM_LBUTTONDOWN 0x1 200,150\n"
          "3 view 3e38 3e38 windowed\n4 WM_MOUSEMOVE 0x0 210,150\n40 WM_NULL\n");
    expectRefused(run("--replay huge_view.txt"), "huge_view.txt, line 5: expected \"view");
    // Read forever, or wait forever for a writer.
    ASSERT_EQ(mkfifo((scratch.path / "pipe.txt").c_str(), 0600), 0);
    expectRefused(run("--replay pipe.txt"), "cannot read pipe.txt: not a regular file");
    expectRefused(run("--replay /dev/zero"), "cannot read /dev/zero: not a regular file");
    expectRefused(run("--replay /dev/urandom"), "not a regular file");
    // The same grab at an ordinary size replays, every number finite.
    write("grab.txt",
          "vantor-record 1\n0 view 400 300 windowed\n1 WM_MOUSEMOVE 0x0 200,150\n2 WM_LBUTTONDOWN 0x1 200,150\n"
          "4 WM_MOUSEMOVE 0x0 390,10\n40 WM_NULL\n");
    ProgramRun grab = run("--replay grab.txt");
    EXPECT_EQ(grab.exitCode, 0) << grab.errors;
    ASSERT_TRUE(grab.dump.is_object());
    EXPECT_EQ(grab.dump["worlds"][0]["springs"].size(), 1u);
    EXPECT_EQ(nonFiniteValues(grab.dump), "");
}

// The program headless with exactly these arguments, after `setup` (shell
// words) in the same shell: exit code and what it wrote to stderr.
ProgramRun runExactly(const fs::path& directory, const std::string& setup, const std::string& arguments) {
    std::string command = "cd " + quoted(directory) + " && (" + setup +
                          " exec timeout -k 5 30 '" VANTOR_BINARY "' --headless " + arguments +
                          ") > /dev/null 2> stderr.txt";
    int status = std::system(command.c_str());
    ProgramRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream errors(directory / "stderr.txt");
    run.errors.assign(std::istreambuf_iterator<char>(errors), std::istreambuf_iterator<char>());
    return run;
}

TEST_F(HostileProgramInput, WritesThatFailAreOneNoteAndExitOne) {
    expectRefused(runExactly(scratch.path, "", "--world box.ini --frames 5 --record /dev/full"),
                  "cannot write /dev/full");
    expectRefused(runExactly(scratch.path, "", "--world box.ini --frames 5 --dump /dev/full"),
                  "cannot write /dev/full");
    // A record that fills the disk as the run goes (here: a limit on the
    // size of any file written) is found out when it is closed.
    std::string lines = "vantor-record 1\n";
    for (int pass = 0; pass < 2000; ++pass) lines += std::to_string(pass) + " WM_MOUSEMOVE 0x0 200,150\n";
    write("long.txt", lines);
    ProgramRun limited =
        runExactly(scratch.path, "trap '' XFSZ; ulimit -f 16;", "--world box.ini --replay long.txt --record out.txt");
    expectRefused(limited, "cannot write the record out.txt");
    EXPECT_EQ(limited.errors.find("cannot write"), limited.errors.rfind("cannot write")) << "one note";
}

}  // namespace

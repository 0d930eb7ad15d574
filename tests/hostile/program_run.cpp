#include "hostile/program_run.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>

static std::string readWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

ScratchDirectory::ScratchDirectory(const std::string& purpose) {
    path = std::filesystem::temp_directory_path() / ("vantor-" + purpose + "-" + std::to_string(getpid()));
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

ProgramRun runProgramHeadless(const std::filesystem::path& directory, const std::string& arguments,
                              int timeLimitSeconds) {
    std::filesystem::path dumpFile = directory / "dump.json";
    std::filesystem::path errorFile = directory / "stderr.txt";
    std::filesystem::remove(dumpFile);
    // timeout turns a hang into a failed run instead of a stuck suite.
    std::string command = "cd " + quoted(directory) + " && timeout -k 5 " + std::to_string(timeLimitSeconds) +
                          " '" VANTOR_BINARY "' --headless --dump dump.json " + arguments + " > /dev/null 2> " +
                          quoted(errorFile);
    auto start = std::chrono::steady_clock::now();
    int status = std::system(command.c_str());
    ProgramRun run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.errors = readWhole(errorFile);
    if (std::filesystem::exists(dumpFile)) run.dump = nlohmann::json::parse(readWhole(dumpFile), nullptr, false);
    return run;
}

static void collectNonFinite(const nlohmann::json& value, const std::string& pointer, std::string& found) {
    if (value.is_object()) {
        for (const auto& [key, member] : value.items()) {
            if (key == "name" || key == "label" || key == "path") continue;
            collectNonFinite(member, pointer + "/" + key, found);
        }
    } else if (value.is_array()) {
        for (size_t i = 0; i < value.size(); ++i) collectNonFinite(value[i], pointer + "/" + std::to_string(i), found);
    } else if (value.is_string()) {
        const std::string& text = value.get_ref<const std::string&>();
        if (text == "nan" || text == "inf" || text == "-inf") found += pointer + " = " + text + "\n";
    }
}

std::string nonFiniteValues(const nlohmann::json& dump) {
    std::string found;
    collectNonFinite(dump, "", found);
    return found;
}

// Runs the built program headless in a scratch directory and reads back
// what it left: exit code, wall time, the JSON dump and its notes.
#pragma once

#include <filesystem>
#include <string>

#include <nlohmann/json.hpp>

struct ProgramRun {
    int exitCode = -1;  // -1: killed by a signal or could not start
    double seconds = 0.0;
    nlohmann::json dump;  // null when no dump was written
    std::string errors;   // what it wrote to standard error
};

// A directory of its own under the system's temporary one, removed with it.
struct ScratchDirectory {
    std::filesystem::path path;
    explicit ScratchDirectory(const std::string& purpose);
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
};

// `arguments` follow "--headless --dump dump.json"; a run still going after
// `timeLimitSeconds` is killed (and its exit code is then not 0).
ProgramRun runProgramHeadless(const std::filesystem::path& directory, const std::string& arguments,
                              int timeLimitSeconds = 120);

// Each float of a dump that is not finite (written as "nan", "inf" or
// "-inf"), named by its JSON pointer; empty when there is none. Names and
// paths are texts that may spell those words and are not looked at.
std::string nonFiniteValues(const nlohmann::json& dump);

std::string quoted(const std::filesystem::path& path);

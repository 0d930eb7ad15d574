#include "files/reader.h"

#include <filesystem>
#include <fstream>
#include <memory>

#include "files/blocks.h"
#include "files/diagnostics.h"
#include "files/line_counting_buffer.h"
#include "files/read_budget.h"
#include "files/read_log.h"
#include "files/reader_primitives.h"
#include "files/settings_keys.h"
#include "sim/globals.h"

void loadFile(std::istream& input, const std::string& prefix, const std::string& sourceName) {
    CountedInput counted(input, sourceName);
    std::istream& in = counted.stream();
    char key = 0;
    // No comments and no end key here: every other character is skipped.
    while (readKey(in, key)) {
        if (key == 'W') {
            if (!chargeWorld(in)) break;
            worlds.push_back(constructWorld(in, prefix));
        } else if (key == 'w' || key == 'f' || key == 's') {
            readSettingsKey(in, key);
        } else if (key == '}') {
            reportReadProblemAtLine(in, keyLineOf(in), "this \"}\" closes no block; skipped");
        }
    }
}

// Only regular files are opened: a folder cannot be read, and a device or
// a pipe could make the reader wait, or read, forever.
static bool openForReading(const std::string& path, std::ifstream& file) {
    logFileRead(path);
    std::error_code error;
    std::filesystem::file_status status = std::filesystem::status(path, error);
    if (std::filesystem::is_regular_file(status)) file.open(path);
    if (file.is_open()) return true;
    if (diagnosticSink == nullptr) return false;
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        *diagnosticSink << "vantor: \"" << printable(path) << "\" is "
                        << (std::filesystem::is_directory(status) ? "a folder"
                                                                  : "not a regular file (a device or a pipe)")
                        << "; it reads as empty\n";
    else
        *diagnosticSink << "vantor: cannot open \"" << printable(path) << "\"; it reads as empty\n";
    return false;
}

bool loadFilePath(const std::string& path, const std::string& prefix) {
    std::ifstream file;
    if (!openForReading(path, file)) return false;
    loadFile(file, prefix, path);
    return true;
}

bool readWorldPath(World& world, const std::string& path, const std::string& prefix) {
    std::ifstream file;
    if (!openForReading(path, file)) return false;
    LineCountingBuffer buffer(file.rdbuf(), path);
    std::istream input(&buffer);
    readWorld(world, input, prefix);
    return true;
}

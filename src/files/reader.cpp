#include "files/reader.h"

#include <fstream>
#include <memory>

#include "files/blocks.h"
#include "files/diagnostics.h"
#include "files/line_counting_buffer.h"
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
        if (key == 'W')
            worlds.push_back(constructWorld(in, prefix));
        else if (key == 'w' || key == 'f' || key == 's')
            readSettingsKey(in, key);
    }
}

static bool openForReading(const std::string& path, std::ifstream& file) {
    logFileRead(path);
    file.open(path);
    if (file.is_open()) return true;
    if (diagnosticSink) *diagnosticSink << "vantor: cannot open \"" << path << "\"; it reads as empty\n";
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

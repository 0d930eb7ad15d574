#include "app/data_location.h"

#include <filesystem>
#include <ostream>
#include <system_error>

// Set by the build from the install layout: the data directory relative to
// the directory the program is installed in.
#ifndef VANTOR_DATA_FROM_BINARY
#define VANTOR_DATA_FROM_BINARY "../share/vantor/rsc"
#endif

namespace {

bool isDirectory(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

}  // namespace

std::string executablePath() {
    std::error_code error;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

std::string installedDataDirectory(const std::string& executable) {
    if (executable.empty()) return {};
    std::filesystem::path binary = std::filesystem::path(executable).parent_path();
    return (binary / VANTOR_DATA_FROM_BINARY).lexically_normal().string() + "/";
}

void locateData(RunOptions& options, const std::string& installedDirectory, std::ostream& err) {
    const RunOptions defaults;
    bool defaultSettings =
        options.settingsFile == defaults.settingsFile && options.settingsPrefix == defaults.settingsPrefix;
    // A run from a saved state reads no world file.
    bool defaultWorld = options.worldFile == defaults.worldFile && options.worldPrefix == defaults.worldPrefix &&
                        options.stateFile.empty();
    if ((!defaultSettings && !defaultWorld) || isDirectory(defaults.settingsPrefix)) return;
    if (installedDirectory.empty() || !isDirectory(installedDirectory)) {
        std::string unread = defaultSettings && defaultWorld ? defaults.settingsFile + " and " + defaults.worldFile
                             : defaultSettings               ? defaults.settingsFile
                                                             : defaults.worldFile;
        err << "vantor: no rsc/ in the current directory and no installed data in "
            << (installedDirectory.empty() ? std::string("(unknown)") : installedDirectory) << ": " << unread
            << " cannot be read" << (defaultWorld ? ", so there is nothing to show" : "") << "\n";
        return;
    }
    if (defaultSettings) {
        options.settingsFile = installedDirectory + options.settingsFile.substr(defaults.settingsPrefix.size());
        options.settingsPrefix = installedDirectory;
    }
    if (defaultWorld) {
        options.worldFile = installedDirectory + options.worldFile.substr(defaults.worldPrefix.size());
        options.worldPrefix = installedDirectory;
    }
}

// What a set of files looks like on disk now, to tell later whether any of
// them changed: modification time and size, or that the file is missing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct FileStamp {
    std::string path;
    bool present = false;
    std::filesystem::file_time_type modified{};
    std::uintmax_t size = 0;
};

FileStamp stampFile(const std::string& path);

// One stamp per distinct path, in the order first given.
std::vector<FileStamp> stampFiles(const std::vector<std::string>& paths);

// The paths whose file differs from its stamp: written, replaced, created
// or removed since.
std::vector<std::string> changedFiles(const std::vector<FileStamp>& stamps);

#include "app/file_watch.h"

#include <algorithm>
#include <system_error>

FileStamp stampFile(const std::string& path) {
    FileStamp stamp;
    stamp.path = path;
    std::error_code error;
    auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::is_regular_file(status)) return stamp;
    stamp.modified = std::filesystem::last_write_time(path, error);
    if (error) return stamp;
    stamp.size = std::filesystem::file_size(path, error);
    stamp.present = !error;
    return stamp;
}

std::vector<FileStamp> stampFiles(const std::vector<std::string>& paths) {
    std::vector<FileStamp> stamps;
    for (const std::string& path : paths) {
        bool known = std::any_of(stamps.begin(), stamps.end(), [&](const FileStamp& s) { return s.path == path; });
        if (!known) stamps.push_back(stampFile(path));
    }
    return stamps;
}

static bool sameStamp(const FileStamp& a, const FileStamp& b) {
    if (a.present != b.present) return false;
    return !a.present || (a.modified == b.modified && a.size == b.size);
}

std::vector<std::string> changedFiles(const std::vector<FileStamp>& stamps) {
    std::vector<std::string> changed;
    for (const FileStamp& stamp : stamps)
        if (!sameStamp(stamp, stampFile(stamp.path))) changed.push_back(stamp.path);
    return changed;
}

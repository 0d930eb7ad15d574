#include "files/read_log.h"

#include <utility>

std::vector<std::string>* readLog = nullptr;

void logFileRead(const std::string& path) {
    if (readLog) readLog->push_back(path);
}

ReadLogScope::ReadLogScope() : previous(readLog) { readLog = &names; }

ReadLogScope::~ReadLogScope() {
    if (keeping) readLog = previous;
}

std::vector<std::string> ReadLogScope::take() {
    if (keeping) readLog = previous;
    keeping = false;
    return std::move(names);
}

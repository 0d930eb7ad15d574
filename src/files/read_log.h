// The names of the files a read opened or tried to open: each top-level
// file and every include, missing ones too (creating one is a change worth
// noticing). --watch keeps them to know what to poll; nothing else does.
#pragma once

#include <string>
#include <vector>

// Where the names go; null (the start) keeps none.
extern std::vector<std::string>* readLog;

// Appends `path` to the log when one is kept.
void logFileRead(const std::string& path);

// Keeps the names of every file read while it lives, or until take().
class ReadLogScope {
public:
    ReadLogScope();
    ~ReadLogScope();
    ReadLogScope(const ReadLogScope&) = delete;
    ReadLogScope& operator=(const ReadLogScope&) = delete;

    // Stops keeping names and hands over those kept.
    std::vector<std::string> take();

private:
    std::vector<std::string> names;
    std::vector<std::string>* previous;
    bool keeping = true;
};

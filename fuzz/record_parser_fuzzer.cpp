// libFuzzer target: the record parser behind --replay (records travel with
// bug reports). Any input is either refused with one short line, or read;
// what is read must write back to lines that read the same again.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "app/replay.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
    std::string error;
    auto entries = parseReplay(input, error);
    if (!entries) {
        if (error.empty() || error.size() > 200 || error.find('\n') != std::string::npos) std::abort();
        return 0;
    }
    std::string written;
    for (const ReplayEntry& entry : *entries) written += formatReplayEntry(entry) + "\n";
    std::istringstream again(written);
    auto reread = parseReplay(again, error);
    if (!reread || reread->size() != entries->size()) std::abort();
    for (size_t i = 0; i < entries->size(); ++i)
        if (formatReplayEntry((*reread)[i]) != formatReplayEntry((*entries)[i])) std::abort();
    return 0;
}

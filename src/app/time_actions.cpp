#include "app/time_actions.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <utility>

#include "app/state_dump.h"
#include "app/state_file.h"

std::string stateFileName(std::time_t now) {
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    return std::string("vantor-") + stamp + ".state.json";
}

std::string saveStateNow(TimeControl& time) {
    std::string name = stateFileName(std::time(nullptr));
    std::string base = name.substr(0, name.size() - std::string(".state.json").size());
    std::error_code ignored;
    for (int n = 2; std::filesystem::exists(name, ignored); ++n) name = base + "-" + std::to_string(n) + ".state.json";
    if (!writeStateDump(name)) {
        std::cerr << "vantor: cannot write " << name << "\n";
        showNotice(time, "cannot save the state: " + name);
        return {};
    }
    std::cout << name << std::endl;
    showNotice(time, "state saved: " + name);
    return name;
}

void serveTimeRequests(TimeControl& time, const std::function<void()>& restart) {
    if (std::exchange(time.saveRequested, false)) saveStateNow(time);
    if (std::exchange(time.restartRequested, false) && restart) {
        restart();
        time.worldsReplaced = true;
    }
}

std::vector<std::string> loadDroppedStates(TimeControl& time, const std::vector<std::string>& paths) {
    std::vector<std::string> worldFiles;
    for (const std::string& path : paths) {
        if (!isStateFileName(path)) {
            worldFiles.push_back(path);
            continue;
        }
        std::string error;
        if (loadStateFile(path, error)) {
            showNotice(time, "state loaded: " + path);
            time.worldsReplaced = true;
        } else {
            std::cerr << "vantor: " << path << ": " << error << "\n";
            showNotice(time, "not a state: " + path + ": " + error);
        }
    }
    return worldFiles;
}

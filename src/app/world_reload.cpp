#include "app/world_reload.h"

#include <memory>
#include <ostream>
#include <set>
#include <utility>

#include "app/file_watch.h"
#include "assets/textures.h"
#include "files/diagnostics.h"
#include "files/read_log.h"
#include "files/settings.h"
#include "mouse/cursor.h"
#include "sim/globals.h"

namespace {

// What the settings file sets for the window; reading it again must not
// change the window that is open.
struct DisplaySettings {
    float windowedWidth, windowedHeight, fullscreenWidth, fullscreenHeight, viewWidth, viewHeight;
    bool fullscreen;
};

DisplaySettings displaySettingsNow() {
    return {windowedWidth, windowedHeight, fullscreenWidth, fullscreenHeight, viewWidth, viewHeight, fullscreen};
}

void restoreDisplaySettings(const DisplaySettings& kept) {
    windowedWidth = kept.windowedWidth, windowedHeight = kept.windowedHeight;
    fullscreenWidth = kept.fullscreenWidth, fullscreenHeight = kept.fullscreenHeight;
    viewWidth = kept.viewWidth, viewHeight = kept.viewHeight;
    fullscreen = kept.fullscreen;
}

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

long lineCount(const std::string& text) {
    long lines = 0;
    for (char c : text) lines += c == '\n' ? 1 : 0;
    return lines;
}

struct WatchState {
    std::vector<FileStamp> stamps;
    int64_t nextPoll = 0;
};

void reportReload(const std::string& notes) {
    if (diagnosticSink == nullptr) return;
    long noteCount = lineCount(notes);
    *diagnosticSink << notes << "vantor: " << worlds.size() << (worlds.size() == 1 ? " world" : " worlds")
                    << " read again, " << noteCount << (noteCount == 1 ? " note" : " notes") << "\n";
}

void poll(WatchState& watch, int64_t now, const RunOptions& options, const ProgramActions& actions) {
    if (now < watch.nextPoll) return;
    watch.nextPoll = now + watchPeriodMs;
    std::vector<std::string> changed = changedFiles(watch.stamps);
    if (changed.empty()) return;
    if (diagnosticSink) *diagnosticSink << "vantor: " << joined(changed) << " changed; reading the worlds again\n";
    std::vector<std::string> filesRead;
    std::string notes = collectNotes([&] { filesRead = readWorldsAgain(options, actions, changed); });
    watch.stamps = stampFiles(watchedFiles(filesRead));
    reportReload(notes);
}

}  // namespace

std::vector<std::string> watchedFiles(const std::vector<std::string>& filesRead) {
    std::vector<std::string> files = filesRead;
    std::set<const TextureRecord*> seen;
    for (const auto& world : worlds)
        for (const auto& model : world->models)
            for (const auto& body : model->bodies)
                for (const auto& polygon : body->textures) {
                    const TextureRecord* texture = polygon->texture;
                    if (texture == nullptr || !seen.insert(texture).second) continue;
                    if (!isTextureAddress(texture->path)) files.push_back(textureFullPath(texture->path));
                }
    return files;
}

std::vector<std::string> readWorldsAgain(const RunOptions& options, const ProgramActions& actions,
                                         const std::vector<std::string>& changed) {
    worlds.clear();
    stepContext.currentWorld = nullptr;
    refreshTextures(changed);
    DisplaySettings kept = displaySettingsNow();
    ReadLogScope log;
    actions.readFile(options.settingsFile, options.settingsPrefix);
    actions.readFile(options.worldFile, options.worldPrefix);
    restoreDisplaySettings(kept);
    moveCursor(mousePos);
    stepContext.currentWorld = worlds.empty() ? nullptr : worlds.back().get();
    return log.take();
}

std::function<void()> reloadWhenChanged(std::function<int64_t()> clock, const RunOptions& options,
                                        const ProgramActions& actions, const std::vector<std::string>& filesRead) {
    auto watch = std::make_shared<WatchState>();
    watch->stamps = stampFiles(watchedFiles(filesRead));
    watch->nextPoll = clock() + watchPeriodMs;
    return [watch, clock = std::move(clock), options, actions] { poll(*watch, clock(), options, actions); };
}

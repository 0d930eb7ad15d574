#include "app/file_check.h"

#include <algorithm>
#include <filesystem>
#include <iomanip>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <sstream>

#include "app/dropped_files.h"
#include "files/diagnostics.h"
#include "files/read_log.h"
#include "files/reader.h"
#include "files/reader_primitives.h"
#include "sim/globals.h"

namespace {

std::string counted(long count, const std::string& one, const std::string& many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string summaryLine(const WorldsSummary& summary, long notes) {
    std::ostringstream line;
    line << counted(summary.worlds, "world", "worlds") << ", " << counted(summary.models, "model", "models") << ", "
         << counted(summary.bodies, "body", "bodies") << ", " << counted(summary.shapes, "shape", "shapes")
         << ", movable mass " << std::setprecision(7) << summary.movableMass << ", "
         << counted(summary.boltedBodies, "bolted body", "bolted bodies") << ", "
         << counted(summary.textures, "texture", "textures") << "; "
         << (notes == 0 ? "no notes" : counted(notes, "note", "notes"));
    return line.str();
}

void readAsStartUp(const std::string& path) { loadFilePath(path, directoryOfPath(path)); }

void readAsDropped(const std::string& path) {
    worlds.push_back(std::make_unique<World>());
    readWorldPath(*worlds.back(), path, dropPrefix(path));
}

long countLines(const std::string& text) { return static_cast<long>(std::count(text.begin(), text.end(), '\n')); }

std::vector<std::string> iniFilesIn(const std::filesystem::path& folder) {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.path().extension() == ".ini" && entry.is_regular_file(error)) files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

WorldsSummary summariseWorlds() {
    WorldsSummary summary;
    std::set<const TextureRecord*> textures;
    for (const auto& world : worlds) {
        summary.worlds += 1;
        for (const auto& model : world->models) {
            summary.models += 1;
            for (const auto& body : model->bodies) {
                summary.bodies += 1;
                summary.shapes += static_cast<long>(body->shapes.size());
                // A bolted body's mass field holds -1, the mark of immovable.
                if (body->flags & boltedFlag)
                    summary.boltedBodies += 1;
                else
                    summary.movableMass += body->mass;
                for (const auto& polygon : body->textures)
                    if (polygon->texture) textures.insert(polygon->texture);
            }
        }
    }
    summary.textures = static_cast<long>(textures.size());
    return summary;
}

long checkFile(const std::string& path, bool asDropped, std::ostream& out) {
    resetSimulationGlobals();
    std::string notes = collectNotes([&] { asDropped ? readAsDropped(path) : readAsStartUp(path); });
    long noteCount = countLines(notes);
    out << notes << path << ": " << summaryLine(summariseWorlds(), noteCount) << "\n";
    resetSimulationGlobals();
    return noteCount;
}

namespace {

// What checking one file wrote, and the files its reading opened.
struct FileCheck {
    std::string path;
    std::string output;
    long notes = 0;
    std::vector<std::string> opened;
};

FileCheck checkOneFile(const std::string& path, bool asDropped) {
    FileCheck check;
    check.path = path;
    std::ostringstream out;
    ReadLogScope reads;
    check.notes = checkFile(path, asDropped, out);
    check.output = out.str();
    check.opened = reads.take();
    return check;
}

std::string samePlace(const std::string& path) {
    std::error_code error;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
    return error ? path : canonical.string();
}

// The files of a folder, each checked alone unless a file that nothing in
// the folder includes reaches it through its includes.
bool checkFolder(const std::vector<std::string>& files, bool asDropped, std::ostream& out) {
    std::vector<FileCheck> checks;
    for (const std::string& file : files) checks.push_back(checkOneFile(file, asDropped));
    std::map<std::string, size_t> indexOf;
    for (size_t i = 0; i < checks.size(); ++i) indexOf[samePlace(checks[i].path)] = i;
    // includedBy[i]: a file of the folder whose reading opened file i.
    std::vector<std::vector<size_t>> includedBy(checks.size());
    for (size_t i = 0; i < checks.size(); ++i)
        for (const std::string& opened : checks[i].opened) {
            auto found = indexOf.find(samePlace(opened));
            if (found != indexOf.end() && found->second != i) includedBy[found->second].push_back(i);
        }
    bool anyNote = false;
    for (size_t i = 0; i < checks.size(); ++i) {
        auto root =
            std::find_if(includedBy[i].begin(), includedBy[i].end(), [&](size_t by) { return includedBy[by].empty(); });
        if (root != includedBy[i].end()) {
            out << checks[i].path << ": included by " << checks[*root].path << "; checked there\n";
            continue;
        }
        out << checks[i].output;
        anyNote = checks[i].notes > 0 || anyNote;
    }
    return anyNote;
}

}  // namespace

int checkFiles(const std::vector<std::string>& arguments, bool asDropped, std::ostream& out) {
    bool anyNote = false;
    for (const std::string& argument : arguments) {
        std::error_code error;
        if (!std::filesystem::is_directory(argument, error)) {
            anyNote = checkFile(argument, asDropped, out) > 0 || anyNote;
            continue;
        }
        std::vector<std::string> files = iniFilesIn(argument);
        if (files.empty()) {
            out << "vantor: " << argument << ": no *.ini file in this folder\n";
            anyNote = true;
        }
        anyNote = checkFolder(files, asDropped, out) || anyNote;
    }
    return anyNote ? 1 : 0;
}

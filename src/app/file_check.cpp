#include "app/file_check.h"

#include <algorithm>
#include <filesystem>
#include <iomanip>
#include <memory>
#include <ostream>
#include <set>
#include <sstream>

#include "app/dropped_files.h"
#include "files/diagnostics.h"
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
         << ", total mass " << std::setprecision(7) << summary.totalMass << ", "
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
                summary.totalMass += body->mass;
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
        for (const std::string& file : files) anyNote = checkFile(file, asDropped, out) > 0 || anyNote;
    }
    return anyNote ? 1 : 0;
}

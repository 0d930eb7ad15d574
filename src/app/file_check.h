// --check: reads world and settings files as the program reads them, with
// no window, and tells for each what it holds and every note it raised.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// What the worlds read from one file hold.
struct WorldsSummary {
    long worlds = 0, models = 0, bodies = 0, shapes = 0;
    double movableMass = 0.0;  // of the bodies that are not bolted
    long boltedBodies = 0;
    long textures = 0;  // distinct images the textured polygons show
};

WorldsSummary summariseWorlds();

// Reads `path` into no worlds as start-up reads its settings and first
// world file, or, `asDropped`, as a file dropped on the window (the inside
// of a world block, read into an empty world). Writes the notes, then one
// summary line, to `out`; returns the number of notes. The worlds read are
// freed again.
long checkFile(const std::string& path, bool asDropped, std::ostream& out);

// checkFile on every file the arguments name, a folder standing for every
// *.ini file directly in it (in name order). A file of a folder that another
// file of it includes is checked through that file only: it is a part, not
// a world of its own. The exit code: 1 when any file had a note or a folder
// held no *.ini file, else 0.
int checkFiles(const std::vector<std::string>& arguments, bool asDropped, std::ostream& out);

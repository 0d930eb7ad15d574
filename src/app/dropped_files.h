// Files dropped on the window: each is read as world content into the first
// world, measured from the cursor.
#pragma once

#include <string>

#include <vector>

// Reads the files of one drop, in the order the window system numbers them,
// into worlds[0] with its placement shifted by mousePos for the read. With
// no world loaded, an empty first world is made to read into.
void onDropFiles(const std::vector<std::string>& paths);

// The directory prefix for files a dropped file names: the path with every
// "\" turned into "/", cut after its last "/"; empty without one.
std::string dropPrefix(const std::string& path);

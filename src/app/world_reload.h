// --watch: when a file the worlds were read from changes on disk (the
// settings and world files, what they include, the worlds' textures), the
// worlds are read again from scratch. The window, the time scale and the key
// table stay; the mouse's springs go with the old worlds.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/main_loop.h"
#include "app/run_options.h"

// How often the files are looked at; their stamps are cheap, and a second
// is quick enough for someone who has just saved.
constexpr int64_t watchPeriodMs = 1000;

// The files behind the worlds now: those the reads named (`filesRead`) and
// the image of every texture a world shows (not addresses).
std::vector<std::string> watchedFiles(const std::vector<std::string>& filesRead);

// Frees every world, loads the textures read from `changed` files again,
// reads the settings and world files again in start-up order (the display
// settings stay: the window does not change) and puts the new worlds'
// cursor ends at the cursor. Returns the names of the files read.
std::vector<std::string> readWorldsAgain(const RunOptions& options, const ProgramActions& actions,
                                         const std::vector<std::string>& changed);

// The loop's end-of-pass hook: at most once a watchPeriodMs of `clock`, it
// compares the files behind the worlds with their stamps and, when any
// changed, says which on the notes' stream, reads the worlds again and
// passes on the read's notes with their count. `filesRead`: what start-up read.
std::function<void()> reloadWhenChanged(std::function<int64_t()> clock, const RunOptions& options,
                                        const ProgramActions& actions, const std::vector<std::string>& filesRead);

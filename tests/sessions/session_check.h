// One random session checked: recorded while it runs on the bundled scene,
// then replayed twice without a window. Shared by the test and the soak.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

// What went wrong, or empty when the session, its two replays and their
// final states all agree and every number is finite. The record is left at
// `work`/session<seed>.txt.
std::string checkRandomSession(uint32_t seed, long passes, const std::filesystem::path& work);

#pragma once

#include <array>
#include <filesystem>

namespace qv {

// multitsk.dat in the application folder: one line per serial port 1..15, the port number and
// a value, which is 0 for a port no instance of the program holds.
inline constexpr int kMultitaskPorts = 15;
using MultitaskEntries = std::array<int, kMultitaskPorts>;  // index = port - 1

// The entries as the file holds them; lines that are missing or unreadable count 0.
MultitaskEntries readMultitask(const std::filesystem::path& folder);

// Sets the entry of `port` to 0 and rewrites the file with all 15 lines (a port outside 1..15
// changes nothing but the file is still written whole). False when it cannot be written.
bool releaseMultitaskPort(const std::filesystem::path& folder, int port);

}  // namespace qv

#pragma once

#include <cstdint>
#include <filesystem>

namespace qv {

// Rewrites an acquisition's setup.dat with another detection method, organism and SNR x 10,
// every other field as it was read (the stored project number and working folder text too);
// the previous file becomes setup.bak first. False, with nothing changed, when setup.dat does
// not read completely or cannot be written.
[[nodiscard]] bool updateSnapshotDetection(const std::filesystem::path& acquisitionFolder,
                                           std::int16_t method, std::int16_t organism,
                                           std::int16_t snrx10);

}  // namespace qv

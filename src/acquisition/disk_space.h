#pragma once

#include <cstdint>
#include <filesystem>

namespace qv {

// Free space of the file system that holds the folder, in whole megabytes (rounded), as the
// user running the program may use it; -1 when the system cannot tell.
std::int64_t freeMegabytes(const std::filesystem::path& folder);

}  // namespace qv

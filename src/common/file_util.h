#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// The whole file as bytes; nullopt when it cannot be opened or read.
std::optional<std::string> readFile(const std::filesystem::path& path);

// Writes through a temporary file in the same folder and renames it into place, so that a
// crash or a full disk never leaves a half-written file where a good one stood.
bool writeFileAtomic(const std::filesystem::path& path, std::string_view bytes);

// Appends and closes; a crash after it returns loses nothing already written. A failed write
// (a full disk) takes the file back to its length before the call, so no partial record stays.
bool appendFile(const std::filesystem::path& path, std::string_view bytes);

// Copies one file over another (atomically on the target side).
bool copyFileOver(const std::filesystem::path& from, const std::filesystem::path& to);

bool isRegularFile(const std::filesystem::path& path);
bool isDirectory(const std::filesystem::path& path);

}  // namespace qv

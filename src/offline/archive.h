#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <system_error>

#include "common/date_time.h"

namespace qv {

// Renames a folder, never over anything that already has the new name. The browser's
// archiving goes through one of these, so a test can make the step fail as a folder in use or
// on a read-only disk would.
using FolderRename =
    std::function<std::error_code(const std::filesystem::path&, const std::filesystem::path&)>;

// The file system's own rename, refused (EEXIST) when the target exists, atomically where the
// file system can do so.
std::error_code renameWithoutReplacing(const std::filesystem::path& from,
                                       const std::filesystem::path& to);

// "YYYYMMDDhhss": year, month, day, hour and seconds, the stamp an archived acquisition's folder
// name ends with.
std::string archiveStamp(const DateTime& t);

// The folder an acquisition is archived to: its own path followed by "removed" and the stamp.
std::filesystem::path archivedPath(const std::filesystem::path& acquisitionFolder,
                                   const DateTime& now);

// Why a rename failed, in words a user can act on.
std::string renameFailureText(const std::error_code& ec, const std::filesystem::path& to);

}  // namespace qv

#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "common/ui.h"

namespace qv {

// Number of lines of a text file; 0 when it cannot be read or has more than 32767 lines.
std::int16_t countLines(const std::filesystem::path& file);

// Copies one file over another: 1 on success, -1 on failure.
int copyFile(const std::filesystem::path& source, const std::filesystem::path& target);

// Before a recovery writes over a damaged file, its bytes are kept beside it under the first
// free name of file.damaged, file.damaged2, file.damaged3, ..., so nothing a user had is
// destroyed. True when there was nothing to keep or the copy was written; the path of the
// copy, when one was made, goes to `kept`.
bool keepDamagedFile(const std::filesystem::path& file, std::filesystem::path* kept = nullptr);

// The name of the newest acquisition folder ("yyyymmdd_hhmm") directly inside the folder,
// ordered by the date and time the name stands for; names that are no real date and time are
// passed over. Empty when there is none.
std::string newestAcquisitionFolder(const std::filesystem::path& folder);

// One display line for a project folder, "<Project> p00003: Name"; repairs a short setup.dat
// from setup.bak or the newest acquisition snapshot first, saying so through the Ui.
std::string readProjectTitle(const std::filesystem::path& folder, Ui& ui);

// Replaces Name in the folder's setup.dat (the previous file is kept as setup.bak). Returns
// the new name, or an empty text on failure.
std::string renameStoredName(const std::filesystem::path& folder, const std::string& newName,
                             Ui& ui);

}  // namespace qv

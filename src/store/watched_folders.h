#pragma once

#include <array>
#include <filesystem>
#include <string>

#include "common/ui.h"

namespace qv {

// foldview.dat in the application folder: the five folders the offline browser watches, one
// plain path per line. An entry that was never set holds its placeholder "_folder1".."_folder5".
constexpr int kWatchedFolderCount = 5;

struct WatchedFolders {
    // The captions of the five entries, entry 1 first.
    std::array<std::string, kWatchedFolderCount> captions;
};

// "_folder1" .. "_folder5" for entry 1 .. 5.
std::string watchedFolderPlaceholder(int entry);

// All five entries at their placeholders.
WatchedFolders defaultWatchedFolders();

// Each of the first five lines that names an existing folder becomes that entry's caption;
// every other entry keeps its placeholder. Whole lines are read, so a path with a comma in it
// survives.
WatchedFolders readWatchedFolders(const std::filesystem::path& applicationFolder);

// Writes the five captions, one per line. False when the file cannot be written.
bool writeWatchedFolders(const std::filesystem::path& applicationFolder,
                         const WatchedFolders& folders);

// Clicking entry 1..5: asks "Write folder to watch:" (title "Folder") with the current caption
// as default; an answer that names an existing folder becomes the caption and all five are
// written back. True when the entry changed and was saved.
bool chooseWatchedFolder(const std::filesystem::path& applicationFolder, WatchedFolders& folders,
                         int entry, Ui& ui);

}  // namespace qv

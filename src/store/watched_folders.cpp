#include "store/watched_folders.h"

#include "common/field_text.h"
#include "common/file_util.h"

namespace qv {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFileName = "foldview.dat";

}  // namespace

std::string watchedFolderPlaceholder(int entry) {
    return "_folder" + std::to_string(entry);
}

WatchedFolders defaultWatchedFolders() {
    WatchedFolders folders;
    for (int i = 0; i < kWatchedFolderCount; ++i) {
        folders.captions[static_cast<std::size_t>(i)] = watchedFolderPlaceholder(i + 1);
    }
    return folders;
}

WatchedFolders readWatchedFolders(const fs::path& applicationFolder) {
    WatchedFolders folders = defaultWatchedFolders();
    auto bytes = readFile(applicationFolder / kFileName);
    if (!bytes) {
        return folders;
    }
    const std::vector<std::string> lines = splitLines(*bytes);
    for (std::size_t i = 0; i < lines.size() && i < folders.captions.size(); ++i) {
        if (!lines[i].empty() && isDirectory(lines[i])) {
            folders.captions[i] = lines[i];
        }
    }
    return folders;
}

bool writeWatchedFolders(const fs::path& applicationFolder, const WatchedFolders& folders) {
    FieldWriter w;
    for (const std::string& caption : folders.captions) {
        w.raw(caption);
    }
    return writeFileAtomic(applicationFolder / kFileName, w.str());
}

bool chooseWatchedFolder(const fs::path& applicationFolder, WatchedFolders& folders, int entry,
                         Ui& ui) {
    if (entry < 1 || entry > kWatchedFolderCount) {
        return false;
    }
    std::string& caption = folders.captions[static_cast<std::size_t>(entry - 1)];
    const auto answer = ui.input("Write folder to watch:", "Folder", caption);
    if (!answer || answer->empty() || !isDirectory(*answer)) {
        return false;
    }
    caption = *answer;
    return writeWatchedFolders(applicationFolder, folders);
}

}  // namespace qv

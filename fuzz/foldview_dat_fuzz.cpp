// foldview.dat: the browser's five watched folders.
#include "store/watched_folders.h"
#include "support/fuzz_support.h"

using namespace qv;
namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path app = fuzz::freshScratch();
    fs::create_directories(app / "watched");
    fuzz::writeBytes(app / "foldview.dat", fuzz::asText(data, size));
    const auto before = fuzz::snapshot(app);

    WatchedFolders folders;
    fuzz::mustNotThrow("readWatchedFolders", [&] { folders = readWatchedFolders(app); });
    for (int i = 0; i < kWatchedFolderCount; ++i) {
        const std::string& caption = folders.captions[static_cast<std::size_t>(i)];
        std::error_code ec;
        fuzz::check(caption == watchedFolderPlaceholder(i + 1) || fs::is_directory(caption, ec),
                    "a caption that is neither its placeholder nor a folder");
    }
    fuzz::expectUnchanged(before, fuzz::snapshot(app), "readWatchedFolders");
    return 0;
}

#include "store/watched_folders.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/scripted_ui.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

using testing::readBytes;
using testing::TempDir;
using testing::writeBytes;

namespace fs = std::filesystem;

TEST(WatchedFolders, MissingFileGivesPlaceholders) {
    TempDir dir;
    const WatchedFolders f = readWatchedFolders(dir.path());
    EXPECT_EQ(f.captions[0], "_folder1");
    EXPECT_EQ(f.captions[4], "_folder5");
}

TEST(WatchedFolders, ExistingFoldersKeptOthersShowTheirPlaceholder) {
    TempDir dir;
    const fs::path kept = dir / "data, 2024";  // a comma must not split the path
    const fs::path deleted = dir / "gone";
    fs::create_directories(kept);
    fs::create_directories(deleted);
    WatchedFolders f = defaultWatchedFolders();
    f.captions[1] = kept.string();
    f.captions[3] = deleted.string();
    ASSERT_TRUE(writeWatchedFolders(dir.path(), f));
    fs::remove(deleted);

    const WatchedFolders back = readWatchedFolders(dir.path());
    EXPECT_EQ(back.captions[0], "_folder1");
    EXPECT_EQ(back.captions[1], kept.string());
    EXPECT_EQ(back.captions[3], "_folder4");
}

TEST(WatchedFolders, ChoosingAFolderSavesAllFiveAndIgnoresNonFolders) {
    TempDir dir;
    const fs::path watched = dir / "watched";
    fs::create_directories(watched);
    WatchedFolders f = defaultWatchedFolders();
    ScriptedUi ui;
    ui.queueInput((dir / "no such folder").string());
    ui.queueInput(std::nullopt);
    ui.queueInput(watched.string());
    EXPECT_FALSE(chooseWatchedFolder(dir.path(), f, 3, ui));
    EXPECT_FALSE(chooseWatchedFolder(dir.path(), f, 3, ui));
    EXPECT_FALSE(fs::exists(dir / "foldview.dat"));
    EXPECT_TRUE(chooseWatchedFolder(dir.path(), f, 3, ui));
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_EQ(ui.prompts.size(), 3u);
    EXPECT_EQ(ui.prompts[0], "Write folder to watch:");
    EXPECT_EQ(readBytes(dir / "foldview.dat"),
              "_folder1\r\n_folder2\r\n" + watched.string() + "\r\n_folder4\r\n_folder5\r\n");
}

}  // namespace
}  // namespace qv

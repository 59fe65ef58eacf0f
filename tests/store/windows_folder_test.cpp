// A settings folder made by an installation on Windows loads here unchanged.
#include <gtest/gtest.h>

#include "store/store.h"
#include "store_fixture.h"

namespace qv {
namespace {

using testing::readBytes;
using testing::TempDir;
using testing::writeBytes;

namespace fs = std::filesystem;

TEST(WindowsFolder, LoadsWithCrLfBackslashPathAndCp1252Name) {
    TempDir app;
    writeBytes(app / "config.dat",
               "\"Config: <Actual_Project_Number>, <Last_Project>,<Serial_COM>,<Restart_Time>\""
               "\r\n3,5,4,0\r\n");
    const fs::path p = app / "p00003";
    std::string setup = testing::setupText(3, "Ensayo ni\xf1os \x80", 2, "W384");
    // The drive letter and folder of the machine it was made on.
    const std::string stored = "\"C:\\Program Files\\Quorvel\\p00003\\\"";
    setup.replace(setup.find("\"C:\\QV\\p00003\\\""), 15, stored);
    writeBytes(p / "setup.dat", setup);
    testing::writeChannelFiles(p);
    std::string plate = "\"W384\"\r\n\"h\"\r\n16,1,0,24,1,0\r\n\"ch\"\r\n";
    for (int c = 0; c < 384; ++c) {
        plate += "\"A1\"," + std::to_string(383 - c) + ",0\r\n";
    }
    writeBytes(app / "W384.DAT", plate);

    ScriptedUi ui;
    Store store(app.path(), ui);
    ASSERT_EQ(store.startUp(), Store::StartUp::Ready);
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
    EXPECT_EQ(store.projectPath(), p);
    EXPECT_EQ(store.setup().Name, "Ensayo ni\xf1os \x80");
    EXPECT_EQ(store.setup().Working_folder, "C:\\Program Files\\Quorvel\\p00003\\");
    EXPECT_EQ(store.setup().Aq_lapse, 2);
    EXPECT_EQ(store.setup().groupName[5], "G5");
    EXPECT_EQ(store.plate().wellOfChannel[0], 383);

    // Saved here, the folder names where the project really is.
    ASSERT_TRUE(store.saveProjectSettings());
    EXPECT_EQ(store.setup().Working_folder, workingFolderText(p));
    EXPECT_NE(readBytes(p / "setup.dat").find("\"" + workingFolderText(p) + "\""),
              std::string::npos);
    EXPECT_EQ(readBytes(p / "setup.bak"), setup);
}

TEST(StoreLoad, IdWarningReachesTheNewsLine) {
    TempDir app;
    writeBytes(app / "config.dat", "\"c\"\r\n6,6,4,0\r\n");
    writeBytes(app / "p00006" / "setup.dat", testing::setupText(5, "Five", 1, "w96f"));
    testing::writeChannelFiles(app / "p00006");
    ScriptedUi ui;
    Store store(app.path(), ui);
    ASSERT_EQ(store.startUp(), Store::StartUp::Ready);
    EXPECT_EQ(store.newsLine(), "Warning: Project ID# <> Folder Name [p006]");
    EXPECT_EQ(ui.messages, (std::vector<std::string>{
                               store.newsLine(),
                               "Error [\\w96f.dat] ID#0 => Loading plate format from default: "
                               "384,96f or 96u..."}));
}

}  // namespace
}  // namespace qv

#include <gtest/gtest.h>

#include "store/project_files.h"
#include "store_fixture.h"

namespace qv {
namespace {

using testing::readBytes;
using testing::setupText;
using testing::TempDir;
using testing::writeBytes;

namespace fs = std::filesystem;

TEST(CountLines, CountsAnyLineEndAndGivesZeroWhenUnusable) {
    TempDir dir;
    writeBytes(dir / "a", "1\r\n2\r\n3\r\n");
    writeBytes(dir / "b", "1\n2\n3");
    std::string many;
    for (int i = 0; i < 32768; ++i) {
        many += "x\n";
    }
    writeBytes(dir / "c", many);
    EXPECT_EQ(countLines(dir / "a"), 3);
    EXPECT_EQ(countLines(dir / "b"), 3);
    EXPECT_EQ(countLines(dir / "c"), 0);
    EXPECT_EQ(countLines(dir / "missing"), 0);
    EXPECT_EQ(countLines(dir.path()), 0);
}

TEST(CopyFile, OneOnSuccessMinusOneOnFailure) {
    TempDir dir;
    writeBytes(dir / "a", "abc");
    EXPECT_EQ(copyFile(dir / "a", dir / "b"), 1);
    EXPECT_EQ(readBytes(dir / "b"), "abc");
    EXPECT_EQ(copyFile(dir / "missing", dir / "b"), -1);
    EXPECT_EQ(readBytes(dir / "b"), "abc");
    EXPECT_EQ(copyFile(dir / "a", dir / "no" / "b"), -1);
}

TEST(NewestAcquisition, OrdersByRealDateAndTime) {
    TempDir dir;
    for (const char* name : {"20231231_2300", "20240101_0900", "20240101_0859", "20241301_0000",
                             "20240230_1200", "20240101_2460", "2024010_10900", "x0240101_0900"}) {
        fs::create_directories(dir / name);
    }
    writeBytes(dir / "20250101_0000", "a file, not a folder");
    fs::create_directories(dir / "20990101_0000.old");
    EXPECT_EQ(newestAcquisitionFolder(dir.path()), "20240101_0900");
    EXPECT_EQ(newestAcquisitionFolder(dir / "20231231_2300"), "");
    EXPECT_EQ(newestAcquisitionFolder(dir / "missing"), "");
}

TEST(ProjectTitle, ShowsNumberAndNameOrRepairsOrSaysNotFound) {
    TempDir dir;
    ScriptedUi ui;
    writeBytes(dir / "p1" / "setup.dat", setupText(3, "Larvae \xe9t\xe9"));
    EXPECT_EQ(readProjectTitle(dir / "p1", ui), "<Project> p00003: Larvae \xe9t\xe9");

    writeBytes(dir / "p2" / "setup.dat", "\"short\"\r\n");
    writeBytes(dir / "p2" / "setup.bak", setupText(4, "FromBak"));
    EXPECT_EQ(readProjectTitle(dir / "p2", ui), "<Project> p00004: FromBak");
    EXPECT_EQ(ui.messages,
              std::vector<std::string>{"Error reading Setup.dat -> recovered from Setup.bak"});
    EXPECT_EQ(readBytes(dir / "p2" / "setup.dat.damaged"), "\"short\"\r\n");

    writeBytes(dir / "p3" / "20240101_0900" / "setup.dat", setupText(5, "Snap"));
    EXPECT_EQ(readProjectTitle(dir / "p3", ui), "<Project> p00005: Snap");
    EXPECT_EQ(ui.messages.back(), "Error reading Setup.dat -> recovered from " +
                                      (dir / "p3").string() + "/20240101_0900");

    fs::create_directories(dir / "p4");
    EXPECT_EQ(readProjectTitle(dir / "p4", ui), "<Project> p: SETUP NOT FOUND!!");
    EXPECT_FALSE(fs::exists(dir / "p4" / "setup.dat"));
}

TEST(RenameStoredName, ReplacesOnlyTheNameOfLineTwo) {
    TempDir dir;
    ScriptedUi ui;
    const std::string original =
        testing::joinCrLf({"\"Project Setup: <Num_proj>,<Name>,<Working_folder>,<Plate_format>\"",
                           "3,\"Old, with comma\",\"C:\\QV\\p00003\\\",\"w384\"", "\"<Aq_mode>\"",
                           "1,30,99,500,1,30"});
    writeBytes(dir / "setup.dat", original);
    EXPECT_EQ(renameStoredName(dir.path(), "New", ui), "New");
    const auto lines = testing::linesOf(readBytes(dir / "setup.dat"));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], "3,\"New\",\"C:\\QV\\p00003\\\",\"w384\"");
    EXPECT_EQ(lines[3], "1,30,99,500,1,30");
    EXPECT_EQ(readBytes(dir / "setup.bak"), original);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(RenameStoredName, WithoutSetupChangesNothing) {
    TempDir dir;
    ScriptedUi ui;
    EXPECT_EQ(renameStoredName(dir.path(), "New", ui), "New");
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

}  // namespace
}  // namespace qv

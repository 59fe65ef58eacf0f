#include "store/acquisition_description.h"

#include <gtest/gtest.h>

#include "common/scripted_ui.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

using testing::readBytes;
using testing::TempDir;
using testing::writeBytes;

TEST(AcquisitionDescription, ThreeLineCommentsComeBackJoinedByCrLfWithoutQuotes) {
    TempDir dir;
    ASSERT_TRUE(writeAcquisitionDescription(dir.path(), "Run A", "first\r\nsecond\r\nthird"));
    EXPECT_EQ(readBytes(dir / "subproj.dat"), "\"Run A\"\r\n\"first\r\nsecond\r\nthird\"\r\n");
    EXPECT_EQ(readAcquisitionName(dir.path()), "Run A");
    EXPECT_EQ(readAcquisitionComments(dir.path()), "first\r\nsecond\r\nthird");
}

TEST(AcquisitionDescription, CommentsLeaveOutEmptyLinesAndReadLfFiles) {
    TempDir dir;
    EXPECT_EQ(readAcquisitionName(dir.path()), "");
    EXPECT_EQ(readAcquisitionComments(dir.path()), "");
    writeBytes(dir / "subproj.dat", "\"n\"\n\"a\n\nb\"\n\n");
    EXPECT_EQ(readAcquisitionComments(dir.path()), "a\r\nb");
}

TEST(AcquisitionDescription, QuotesTypedByTheUserCannotShiftTheFields) {
    TempDir dir;
    ScriptedUi ui;
    ASSERT_TRUE(writeAcquisitionDescription(dir.path(), "say \"hi\"", "x \"y\", z"));
    EXPECT_EQ(readAcquisitionName(dir.path()), "say hi");
    ASSERT_EQ(renameAcquisition(dir.path(), "B", ui), "B");
    EXPECT_EQ(readAcquisitionComments(dir.path()), "x y, z");
}

TEST(AcquisitionDescription, RenameKeepsCommentsAndBacksUpTheOldFile) {
    TempDir dir;
    ScriptedUi ui;
    writeAcquisitionDescription(dir.path(), "Old", "line 1\r\nline 2");
    const std::string before = readBytes(dir / "subproj.dat");
    EXPECT_EQ(renameAcquisition(dir.path(), "New, name", ui), "New, name");
    EXPECT_EQ(readAcquisitionName(dir.path()), "New, name");
    EXPECT_EQ(readAcquisitionComments(dir.path()), "line 1\r\nline 2");
    EXPECT_EQ(readBytes(dir / "subproj.bak"), before);
    EXPECT_TRUE(ui.messages.empty());
}

TEST(AcquisitionDescription, SetCommentsKeepsName) {
    TempDir dir;
    ScriptedUi ui;
    writeAcquisitionDescription(dir.path(), "Name", "old");
    EXPECT_EQ(setAcquisitionComments(dir.path(), "new 1\r\nnew 2", ui), "ok");
    EXPECT_EQ(readAcquisitionName(dir.path()), "Name");
    EXPECT_EQ(readAcquisitionComments(dir.path()), "new 1\r\nnew 2");
}

TEST(AcquisitionDescription, RewritesOfAFolderWithoutSubprojKeepWhatTheUserTyped) {
    TempDir dir;
    ScriptedUi ui;
    EXPECT_EQ(renameAcquisition(dir.path(), "Named later", ui), "Named later");
    EXPECT_EQ(readAcquisitionName(dir.path()), "Named later");
    EXPECT_EQ(setAcquisitionComments(dir.path(), "notes", ui), "ok");
    EXPECT_EQ(readAcquisitionName(dir.path()), "Named later");
    EXPECT_EQ(readAcquisitionComments(dir.path()), "notes");
}

TEST(AcquisitionDescription, FailedBackupShowsErrorAndChangesNothing) {
    TempDir dir;
    ScriptedUi ui;
    writeAcquisitionDescription(dir.path(), "Keep", "me");
    const std::string before = readBytes(dir / "subproj.dat");
    // A folder where the backup should go makes the copy fail.
    std::filesystem::create_directory(dir / "subproj.bak");
    EXPECT_EQ(renameAcquisition(dir.path(), "Lost", ui), "");
    EXPECT_EQ(setAcquisitionComments(dir.path(), "lost", ui), "");
    EXPECT_EQ(ui.messages, (std::vector<std::string>{"error", "error"}));
    EXPECT_EQ(readBytes(dir / "subproj.dat"), before);
}

TEST(AcquisitionDescription, ShortOrOddFilesStillRenameWithoutLosingTheName) {
    TempDir dir;
    ScriptedUi ui;
    writeBytes(dir / "subproj.dat", "\"only a name\"");
    EXPECT_EQ(setAcquisitionComments(dir.path(), "c", ui), "ok");
    EXPECT_EQ(readAcquisitionName(dir.path()), "only a name");
    writeBytes(dir / "subproj.dat", "");
    EXPECT_EQ(readAcquisitionName(dir.path()), "");
    EXPECT_EQ(renameAcquisition(dir.path(), "x", ui), "x");
    EXPECT_EQ(readAcquisitionName(dir.path()), "x");
}

}  // namespace
}  // namespace qv

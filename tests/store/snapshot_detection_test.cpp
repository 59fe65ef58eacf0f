#include <gtest/gtest.h>

#include "common/scripted_ui.h"
#include "store/project_load.h"
#include "store/project_setup.h"
#include "store/snapshot_detection.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

using testing::TempDir;

TEST(SnapshotDetection, OnlyMethodOrganismAndSnrChangeAndTheOldFileIsKept) {
    TempDir dir;
    ProjectSetup s;
    s.Name = "Larvae";
    s.Plate_format = "w384";
    s.RT_Buffer = 600;
    s.Mn1 = {1, 0, 1, 21, 0, 0};
    s.Mn2 = {1, 8, 20, 2, 15, 300};
    ASSERT_TRUE(saveSetupFile(dir.path(), s, 7, "C:\\quorvel\\p00007\\"));
    const std::string before = testing::readBytes(dir / "setup.dat");

    ASSERT_TRUE(updateSnapshotDetection(dir.path(), 3, 3, 9));
    EXPECT_EQ(testing::readBytes(dir / "setup.bak"), before);
    ProjectSetup read;
    double number = 0;
    ASSERT_EQ(readSetupFile(dir / "setup.dat", read, number), kSetupFullyRead);
    EXPECT_EQ(number, 7);
    EXPECT_EQ(read.Working_folder, "C:\\quorvel\\p00007\\");
    EXPECT_EQ(read.Name, "Larvae");
    EXPECT_EQ(read.RT_Buffer, 600);
    EXPECT_EQ(read.DSP_Method, 3);
    EXPECT_EQ(read.Mn1, (Mn{3, 0, 1, 9, 0, 0}));
    EXPECT_EQ(read.Mn2, s.Mn2);
}

TEST(SnapshotDetection, AFileThatDoesNotReadWhollyIsLeftAlone) {
    TempDir dir;
    EXPECT_FALSE(updateSnapshotDetection(dir.path(), 1, 0, 18));
    EXPECT_FALSE(std::filesystem::exists(dir / "setup.dat"));
    const std::string cut =
        "\"Project Setup\"\r\n3,\"Larvae\",\"C:\\\\\",\"w96f\"\r\n\"a\"\r\n1,30\r\n";
    testing::writeBytes(dir / "setup.dat", cut);
    EXPECT_FALSE(updateSnapshotDetection(dir.path(), 1, 0, 18));
    EXPECT_EQ(testing::readBytes(dir / "setup.dat"), cut);
    EXPECT_FALSE(std::filesystem::exists(dir / "setup.bak"));
}

}  // namespace
}  // namespace qv

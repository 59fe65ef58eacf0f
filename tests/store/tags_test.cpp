#include "store/tags.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "common/clock.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

using testing::readBytes;
using testing::TempDir;
using testing::writeBytes;

namespace fs = std::filesystem;

TEST(Tags, LookupsByKeyAndByTag) {
    TempDir dir;
    writeBytes(dir / "tags_id.dat",
               "20240614_1530 [K1][K2]\r\n 20240615_0900 [K2]\r\nnoblank[K2]\r\n"
               "20240616_1000 [K2][K3]\r\n20240614_1530 [K4]\r\n");
    EXPECT_EQ(tagsOfAcquisition(dir.path(), "20240614_1530"), "[K1][K2]");
    EXPECT_EQ(tagsOfAcquisition(dir.path(), "20240616_1000"), "[K2][K3]");
    // Lines without a key (blank first, or no blank) are invisible to both lookups.
    EXPECT_EQ(tagsOfAcquisition(dir.path(), ""), "");
    EXPECT_EQ(tagsOfAcquisition(dir.path(), "noblank[K2]"), "");
    EXPECT_EQ(acquisitionsWithTag(dir.path(), "[K2]"), "20240614_1530 20240616_1000");
    EXPECT_EQ(acquisitionsWithTag(dir.path(), "[K4]"), "20240614_1530");
    EXPECT_EQ(acquisitionsWithTag(dir.path(), "[K3]"), "20240616_1000");
    EXPECT_EQ(acquisitionsWithTag(dir.path(), "[K9]"), "");
}

TEST(Tags, AddAppendsOrCreatesAndWaitsThroughTheClock) {
    TempDir dir;
    TestClock clock;
    ASSERT_TRUE(updateTags(dir.path(), "20240614_1530", "[K1]", clock));
    EXPECT_EQ(clock.totalSleptMs(), 20);
    ASSERT_TRUE(updateTags(dir.path(), "20240614_1530", "[K3]", clock));
    ASSERT_TRUE(updateTags(dir.path(), "20240615_0900", "[K1]", clock));
    EXPECT_EQ(readBytes(dir / "tags_id.dat"), "20240614_1530 [K1][K3]\r\n20240615_0900 [K1]\r\n");
}

TEST(Tags, AddingAPresentTagDoesNotRewriteTheFile) {
    TempDir dir;
    TestClock clock;
    // LF line ends would become CR LF on any rewrite, so unchanged bytes prove none happened.
    writeBytes(dir / "tags_id.dat", "20240614_1530 [K1]\n20240615_0900 [K2]\n");
    const auto before = fs::last_write_time(dir / "tags_id.dat");
    ASSERT_TRUE(updateTags(dir.path(), "20240614_1530", "[K1]", clock));
    EXPECT_EQ(readBytes(dir / "tags_id.dat"), "20240614_1530 [K1]\n20240615_0900 [K2]\n");
    EXPECT_EQ(fs::last_write_time(dir / "tags_id.dat"), before);
    EXPECT_EQ(clock.totalSleptMs(), 10);
}

TEST(Tags, ClearingLeavesTheKeyAlone) {
    TempDir dir;
    TestClock clock;
    writeBytes(dir / "tags_id.dat", "20240614_1530 [K1][K2]\r\n20240615_0900 [K2]\r\n");
    ASSERT_TRUE(updateTags(dir.path(), "20240614_1530", "", clock));
    EXPECT_EQ(readBytes(dir / "tags_id.dat"), "20240614_1530\r\n20240615_0900 [K2]\r\n");
    EXPECT_EQ(tagsOfAcquisition(dir.path(), "20240614_1530"), "");
    // A cleared line holds no key, so a later tag goes on a line of its own.
    ASSERT_TRUE(updateTags(dir.path(), "20240614_1530", "[K3]", clock));
    EXPECT_EQ(tagsOfAcquisition(dir.path(), "20240614_1530"), "[K3]");
    EXPECT_EQ(acquisitionsWithTag(dir.path(), "[K3]"), "20240614_1530");
}

TEST(Tags, MissingFileAnswersEmptyAndClearingWritesNothing) {
    TempDir dir;
    TestClock clock;
    EXPECT_EQ(tagsOfAcquisition(dir.path(), "20240614_1530"), "");
    EXPECT_EQ(acquisitionsWithTag(dir.path(), "[K1]"), "");
    ASSERT_TRUE(updateTags(dir.path(), "20240614_1530", "", clock));
    EXPECT_FALSE(fs::exists(dir / "tags_id.dat"));
}

TEST(Tags, LinesBeyondTheThousandthSurviveARewrite) {
    TempDir dir;
    TestClock clock;
    std::string text;
    for (int i = 0; i < 1005; ++i) {
        text += "k" + std::to_string(i) + " [K1]\r\n";
    }
    writeBytes(dir / "tags_id.dat", text);
    ASSERT_TRUE(updateTags(dir.path(), "k0", "[K2]", clock));
    const std::string after = readBytes(dir / "tags_id.dat");
    EXPECT_NE(after.find("k0 [K1][K2]\r\n"), std::string::npos);
    EXPECT_NE(after.find("k1004 [K1]\r\n"), std::string::npos);
}

TEST(Tags, AFileThatCannotBeReadIsNotReplaced) {
    TempDir dir;
    TestClock clock;
    fs::create_directory(dir / "tags_id.dat");
    EXPECT_FALSE(updateTags(dir.path(), "20240614_1530", "[K1]", clock));
    EXPECT_TRUE(fs::is_directory(dir / "tags_id.dat"));
}

TEST(Tags, RemoveTagsFile) {
    TempDir dir;
    EXPECT_TRUE(removeTagsFile(dir.path()));
    writeBytes(dir / "tags_id.dat", "a [K1]\r\n");
    EXPECT_TRUE(removeTagsFile(dir.path()));
    EXPECT_FALSE(fs::exists(dir / "tags_id.dat"));
}

}  // namespace
}  // namespace qv

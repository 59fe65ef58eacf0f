// Tagging acquisitions into kinetic groups through tags_id.dat.
#include "offline/series/kinetic_tags.h"

#include <gtest/gtest.h>

#include "common/clock.h"
#include "store/tags.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

using testing::readBytes;
using testing::TempDir;

TEST(KineticTags, MenuEntriesAndTheNamesTheCommandLineTakes) {
    EXPECT_EQ(kineticTag(0), "");
    EXPECT_EQ(kineticTag(1), "[K1]");
    EXPECT_EQ(kineticTag(4), "[K4]");
    EXPECT_EQ(kineticTag(5), "");
    EXPECT_EQ(kineticTagEntry("clear"), 0);
    EXPECT_EQ(kineticTagEntry("CLEAR"), 0);
    EXPECT_EQ(kineticTagEntry("K3"), 3);
    EXPECT_EQ(kineticTagEntry("[K2]"), 2);
    EXPECT_EQ(kineticTagEntry("K5"), std::nullopt);
    EXPECT_EQ(kineticTagEntry("k1"), std::nullopt);
    EXPECT_EQ(kineticTagEntry(""), std::nullopt);
}

TEST(KineticTags, TagListSplitsAtBrackets) {
    EXPECT_EQ(tagListEntries("[K1][K3]"), (std::vector<std::string>{"[K1]", "[K3]"}));
    EXPECT_EQ(tagListEntries(""), std::vector<std::string>{});
    // An unclosed bracket is no entry; text between entries is passed over.
    EXPECT_EQ(tagListEntries("[K2] x [K4"), std::vector<std::string>{"[K2]"});
    EXPECT_EQ(tagListEntries("x[K1] [Rep 2]]["), (std::vector<std::string>{"[K1]", "[Rep 2]"}));
}

struct Tagged : ::testing::Test {
    TempDir project;
    TestClock clock;
    TagTarget target(const std::string& name) const { return {project.path(), name}; }
    std::string file() const { return readBytes(project / "tags_id.dat"); }
};

TEST_F(Tagged, TaggingTwiceLeavesOneTag) {
    EXPECT_TRUE(tagAcquisitions({target("20240614_1530")}, 2, clock).empty());
    EXPECT_TRUE(tagAcquisitions({target("20240614_1530")}, 2, clock).empty());
    EXPECT_EQ(file(), "20240614_1530 [K2]\r\n");
    EXPECT_EQ(tagsOfAcquisition(project.path(), "20240614_1530"), "[K2]");
    // A second tag is appended to the same line.
    tagAcquisitions({target("20240614_1530")}, 4, clock);
    EXPECT_EQ(file(), "20240614_1530 [K2][K4]\r\n");
}

TEST_F(Tagged, ClearLeavesTheNameAndTaggingAgainAddsALine) {
    tagAcquisitions({target("20240614_1530")}, 1, clock);
    tagAcquisitions({target("20240614_1530")}, 0, clock);
    EXPECT_EQ(file(), "20240614_1530\r\n");
    EXPECT_EQ(tagsOfAcquisition(project.path(), "20240614_1530"), "");
    EXPECT_EQ(acquisitionsWithTag(project.path(), "[K1]"), "");

    tagAcquisitions({target("20240614_1530")}, 3, clock);
    EXPECT_EQ(file(), "20240614_1530\r\n20240614_1530 [K3]\r\n");
    EXPECT_EQ(tagsOfAcquisition(project.path(), "20240614_1530"), "[K3]");
    EXPECT_EQ(acquisitionsWithTag(project.path(), "[K3]"), "20240614_1530");
}

TEST_F(Tagged, SeveralSelectedRowsAreTaggedInOneAction) {
    const auto failed = tagAcquisitions(
        {target("20240614_1530"), target("20240615_0900"), target("20240616_1000")}, 1, clock);
    EXPECT_TRUE(failed.empty());
    EXPECT_EQ(acquisitionsWithTag(project.path(), "[K1]"),
              "20240614_1530 20240615_0900 20240616_1000");
    // Each write pauses as the store's writer does, on the test's clock.
    EXPECT_GE(clock.totalSleptMs(), 3 * 20);
}

TEST_F(Tagged, AFileThatCannotBeReadIsNotReplacedAndTheTargetIsReported) {
    std::filesystem::create_directory(project / "tags_id.dat");
    const auto failed = tagAcquisitions({target("20240614_1530")}, 1, clock);
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].acquisition, "20240614_1530");
    EXPECT_TRUE(std::filesystem::is_directory(project / "tags_id.dat"));
}

}  // namespace
}  // namespace qv

// Faults the store's fuzz targets showed, replayed from their inputs (tests/store/fuzz_findings/).
#include <gtest/gtest.h>

#include "common/clock.h"
#include "store/tags.h"
#include "support/fuzz_finding.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

using testing::TempDir;

// tags_id.dat with the acquisition's line after line 1000: the update looked at the first
// 1000 lines only, added a second line for the acquisition at the end, and reading its tags
// (the first line with its key) did not show the tag just added.
TEST(StoreFuzzFindings, TagAddedPastLine1000ReadsBack) {
    TempDir dir;
    const auto parts = testing::fuzzFindingParts("store", "tags_key_after_line_1000", 3);
    testing::writeBytes(dir / "tags_id.dat", parts.at(0));
    TestClock clock;

    ASSERT_TRUE(updateTags(dir.path(), parts.at(1), parts.at(2), clock));

    EXPECT_EQ(tagsOfAcquisition(dir.path(), "20240614_1530"), "[K1][K2]");
    EXPECT_EQ(acquisitionsWithTag(dir.path(), "[K2]"), "20240614_1530");
    // One line for the acquisition, where it was; the empty lines before it kept.
    std::string expected;
    for (int i = 0; i < 1000; ++i) {
        expected += "\r\n";
    }
    EXPECT_EQ(testing::readBytes(dir / "tags_id.dat"), expected + "20240614_1530 [K1][K2]\r\n");
    // Clearing reaches it as well.
    ASSERT_TRUE(updateTags(dir.path(), "20240614_1530", "", clock));
    EXPECT_EQ(tagsOfAcquisition(dir.path(), "20240614_1530"), "");
}

}  // namespace
}  // namespace qv

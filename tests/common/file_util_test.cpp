#include "common/file_util.h"

#include <gtest/gtest.h>

#include <string>

#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

using testing::FileSizeLimit;
using testing::readBytes;
using testing::TempDir;

TEST(AppendFile, AWriteCutShortLeavesTheFileAsItWas) {
    TempDir dir;
    const auto file = dir / "counts.bin";
    const std::string record(774, 'r');
    ASSERT_TRUE(appendFile(file, record));
    {
        // Room for half a record more: the append fails and takes the half back.
        FileSizeLimit full(774 + 387);
        EXPECT_FALSE(appendFile(file, record));
        EXPECT_EQ(readBytes(file).size(), 774u);
    }
    ASSERT_TRUE(appendFile(file, record));
    EXPECT_EQ(readBytes(file), record + record);
}

}  // namespace
}  // namespace qv

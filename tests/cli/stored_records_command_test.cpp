// inspect reads only the records it prints: a counts.bin of 4 GB (sparse, so the test costs
// nothing) is inspected in a few megabytes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "analysis/activity_files.h"
#include "cli/tool_run.h"

namespace qv::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

TEST(InspectCommand, ReadsOnlyTheRecordsItPrintsOfAFourGigabyteFile) {
    TempDir dir;
    const fs::path file = dir / "counts.bin";
    const std::uint64_t size = std::uint64_t{4} << 30;
    CountsRecord record;
    record.minutes = 5;
    record.counts[7] = 42;
    const std::string bytes = encodeCountsRecord(record);
    const int fd = open(file.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, static_cast<off_t>(size)), 0);
    ASSERT_EQ(pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(5 * kCountsRecordBytes)),
              static_cast<ssize_t>(bytes.size()));
    close(fd);

    RunOptions o;
#ifndef __SANITIZE_ADDRESS__
    // Reading the whole file would need far more than this.
    o.addressSpaceBytes = std::size_t{1} << 30;
#endif
    const RunResult r = runTool({"inspect", file.string(), "--records", "5:7"}, o);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto j = jsonLine(r.out);
    ASSERT_TRUE(j) << r.out.substr(0, 200) << r.err;
    EXPECT_EQ((*j)["record_count"], size / kCountsRecordBytes);
    EXPECT_EQ((*j)["trailing_bytes"], size % kCountsRecordBytes);
    ASSERT_EQ((*j)["records"].size(), 2u);
    EXPECT_EQ((*j)["records"][0]["index"], 5);
    EXPECT_EQ((*j)["records"][0]["minutes"], 5);
    EXPECT_EQ((*j)["records"][0]["counts"][7], 42);
    EXPECT_EQ((*j)["records"][1]["counts"][7], 0);
    EXPECT_LT(r.maxRssKb, 256 * 1024);
}

TEST(InspectCommand, RangesPastTheEndStopAtTheEnd) {
    TempDir dir;
    for (int m = 0; m < 3; ++m) {
        CountsRecord record;
        record.minutes = m;
        ASSERT_TRUE(appendCountsRecord(dir.path(), record));
    }
    const std::string file = countsFilePath(dir.path()).string();
    auto j = jsonLine(runTool({"inspect", file, "--records", "1:100"}).out);
    ASSERT_TRUE(j);
    EXPECT_EQ((*j)["first_record"], 1);
    EXPECT_EQ((*j)["end_record"], 3);
    EXPECT_EQ((*j)["records"].size(), 2u);
    j = jsonLine(runTool({"inspect", file, "--records", "3:"}).out);
    ASSERT_TRUE(j);
    EXPECT_TRUE((*j)["records"].empty());
    EXPECT_EQ(runTool({"inspect", file, "--records", "3"}).exitCode, 2);
}

}  // namespace
}  // namespace qv::testing

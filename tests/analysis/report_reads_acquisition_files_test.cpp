#include <gtest/gtest.h>

#include "analysis/activity_files.h"
#include "analysis/report_histogram.h"
#include "analysis/report_records.h"
#include "common/file_util.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

// The report reads back exactly what the acquisition's block-end writers stored.
TEST(ReportReadsAcquisitionFiles, CountsAndHistogramsRoundTrip) {
    testing::TempDir acq;
    FileRotation rotation;
    for (int block = 0; block < 13; ++block) {
        CountsRecord counts;
        counts.minutes = block * 2;
        for (int c = 0; c < 384; ++c) {
            counts.counts[static_cast<std::size_t>(c)] = static_cast<std::int16_t>(block + c);
        }
        HistogramRecord histo;
        histo.minutes = block * 2.0;
        histo.samplePeriod = 0.03;
        histo.at(7, 10) = block;
        ASSERT_TRUE(appendBlockRecords(acq.path(), rotation, nullptr, counts, 25.25, &histo));
    }

    const auto records = readCountsRecords(countsFilePath(acq.path()));
    ASSERT_TRUE(records.has_value());
    ASSERT_EQ(records->size(), 13u);
    EXPECT_EQ((*records)[12].minutes, 24);
    EXPECT_EQ((*records)[12].counts[383], 12 + 383);
    EXPECT_EQ((*records)[12].temperature, 252);

    EXPECT_EQ(highestHistogramFile(acq.path()), std::optional<int>(1));
    const auto second = readFile(histogramFilePath(acq.path(), 1));
    ASSERT_TRUE(second.has_value());
    const auto histos = decodeHistogramRecords(*second);
    ASSERT_EQ(histos.size(), 2u);  // blocks 11 and 12 went to the second file
    EXPECT_EQ(histos[1].at(7, 10), 12);
    EXPECT_DOUBLE_EQ(histos[1].minutes, 24.0);
}

}  // namespace
}  // namespace qv

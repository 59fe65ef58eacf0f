#include <gtest/gtest.h>

#include <cmath>

#include "analysis/report_binning.h"
#include "analysis/report_fixture.h"
#include "analysis/report_statistics.h"

namespace qv {
namespace {

using testing::everyMinute;
using testing::makeRecords;

auto tens = [](int, int) { return 10; };

BinnedRecords binEveryMinute(int lastMinute, int requestedBin,
                             const std::function<int(int, int)>& count = tens) {
    const auto file = everyMinute(lastMinute, count);
    const std::int32_t bin = correctedBinSize(requestedBin, measureDuration(file));
    const auto records = loadRecords(file);
    return binRecords(records, records.back().time, bin);
}

TEST(ReportBinning, ShortRunsGetASmallerBin) {
    EXPECT_EQ(correctedBinSize(60, 20), 20);
    EXPECT_EQ(correctedBinSize(120, 100), 90);
    EXPECT_EQ(correctedBinSize(30, 10), 10);
    EXPECT_EQ(correctedBinSize(30, 95), 30);
    EXPECT_EQ(correctedBinSize(0, 95), 1);
    EXPECT_EQ(correctedBinSize(-5, 95), 1);
}

TEST(ReportBinning, ShortTailIsDropped) {
    const auto b = binEveryMinute(95, 30);
    EXPECT_FALSE(b.irregular);
    EXPECT_EQ(b.largestTime, 90);
    EXPECT_EQ(b.lastBin, 2);
    ASSERT_EQ(b.counts.size(), 3u);
    EXPECT_EQ(b.time, (std::vector<std::int32_t>{30, 60, 90}));
    // The first record keeps one more step than the others (10 x 51 / 50 rounds to 10).
    EXPECT_EQ(b.counts[0][0], 300);
    EXPECT_EQ(b.counts[1][0], 300);
    EXPECT_EQ(b.counts[2][0], 300);
}

TEST(ReportBinning, LongTailIsScaledToAWholeBin) {
    const auto b = binEveryMinute(85, 30);
    EXPECT_EQ(b.largestTime, 90);
    EXPECT_EQ(b.lastBin, 2);
    ASSERT_EQ(b.counts.size(), 3u);
    EXPECT_EQ(b.counts[1][5], 300);
    // 25 minutes of 10 counts, scaled by 1 + (100 - 83.3) / 100: 250 x 35 / 30 = 291.7.
    EXPECT_EQ(b.counts[2][5], 292);
}

TEST(ReportBinning, HalfBinTailIsDropped) {
    const auto b = binEveryMinute(75, 30);
    EXPECT_EQ(b.largestTime, 60);
    EXPECT_EQ(b.lastBin, 1);
    EXPECT_EQ(b.counts.size(), 2u);
}

TEST(ReportBinning, RunShorterThanABinGivesOneBin) {
    const auto b = binEveryMinute(10, 30);
    EXPECT_EQ(b.bin, 10);
    EXPECT_EQ(b.lastBin, 0);
    ASSERT_EQ(b.counts.size(), 1u);
    EXPECT_EQ(b.counts[0][0], 100);
    const auto twenty = binEveryMinute(20, 60);
    EXPECT_EQ(twenty.bin, 20);
    EXPECT_EQ(twenty.lastBin, 0);
}

TEST(ReportBinning, WeekOfQuarterMinuteRecordsDoesNotDrift) {
    // 0.25-minute records: summed 0.02 steps would lose or gain a step somewhere in a week.
    std::vector<ActivityRecord> records(40321);
    for (std::size_t i = 0; i < records.size(); ++i) {
        records[i].time = static_cast<std::int32_t>(i / 4);
        records[i].counts.fill(1);
    }
    const auto b = binRecords(records, 10080, 60);
    ASSERT_EQ(b.lastBin, 167);
    for (int i = 1; i <= 167; ++i) {
        ASSERT_EQ(b.counts[i][0], 240) << "bin " << i;
    }
}

// The spreading walked step by step as described: a record's share per 0.02 minute, the record
// and bin clocks reset when they reach their length and advanced at once.
std::vector<double> spreadStepByStep(const std::vector<ActivityRecord>& records, int largestTime,
                                     int bin, int channel) {
    const auto last = static_cast<std::int64_t>(records.size()) - 1;
    const auto n = static_cast<int>(std::nearbyint(static_cast<double>(largestTime) / bin));
    const double r = static_cast<double>(largestTime) / static_cast<double>(last);
    std::vector<double> acc(n + 2, 0.0);
    std::int64_t rec = 0, b = 0, recordClock = 0, binClock = 0;
    while (b <= n && rec < last) {
        acc[b] += records[rec].counts[channel] / (r * 50);
        if (recordClock * last >= 50 * std::int64_t{largestTime}) {
            ++rec;
            recordClock = 0;
        }
        if (binClock >= 50 * bin) {
            ++b;
            binClock = 0;
        }
        ++recordClock;
        ++binClock;
    }
    return acc;
}

TEST(ReportBinning, SpreadingMatchesTheStepWalk) {
    // 140 records over 60 minutes: a record lasts 21.4 steps, so records straddle bin edges.
    std::vector<ActivityRecord> records(141);
    for (int i = 0; i <= 140; ++i) {
        records[i].time = i * 60 / 140;
        for (int c = 0; c < kChannels; ++c) {
            records[i].counts[c] = static_cast<std::int16_t>((i * 31 + c * 17) % 11);
        }
    }
    ASSERT_FALSE(recordsAreIrregular(records));
    const auto b = binRecords(records, 60, 15);
    ASSERT_EQ(b.lastBin, 3);
    for (int c : {0, 1, 5, 200, 383}) {
        const auto walk = spreadStepByStep(records, 60, 15, c);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(b.counts[i][c], std::nearbyint(walk[i])) << "channel " << c << " bin " << i;
        }
    }
}

TEST(ReportBinning, MissingRecordTakesTheIrregularPath) {
    std::vector<int> minutes;
    for (int m = 0; m <= 90; ++m) {
        if (m != 45) {
            minutes.push_back(m);
        }
    }
    const auto records = loadRecords(makeRecords(minutes, tens));
    EXPECT_TRUE(recordsAreIrregular(records));
    const auto b = binRecords(records, 90, 30);
    EXPECT_TRUE(b.irregular);
    ASSERT_EQ(b.lastBin, 2);
    // Whole records per bin; the record at a bin's end still goes into that bin.
    EXPECT_EQ(b.counts[0][0], 310);
    EXPECT_EQ(b.counts[1][0], 290);
    EXPECT_EQ(b.counts[2][0], 300);
    EXPECT_EQ(b.samples[1], 29);
}

TEST(ReportBinning, HalfMinuteStampsAreRegular) {
    // Two records per minute repeat each stamp: gaps of 0 are not compared.
    std::vector<int> minutes;
    for (int i = 0; i <= 120; ++i) {
        minutes.push_back(i / 2);
    }
    EXPECT_FALSE(recordsAreIrregular(loadRecords(makeRecords(minutes, tens))));
}

TEST(ReportBinning, AllZeroStampsFormNoBin) {
    const auto records = loadRecords(makeRecords({0, 0, 0}, tens));
    EXPECT_EQ(correctedBinSize(30, 0), 0);
    EXPECT_EQ(binRecords(records, 0, 0).lastBin, -1);
    EXPECT_EQ(binRecords(records, 0, 30).lastBin, -1);
    EXPECT_EQ(binRecords(loadRecords(makeRecords({5}, tens)), 5, 5).lastBin, -1);
}

TEST(ReportRecords, DayRuleAndBackwardTail) {
    const auto file = makeRecords({1438, 1439, 0, 1, 2, 1, 3, 0}, tens);
    EXPECT_EQ(recordTimes(file),
              (std::vector<std::int32_t>{1438, 1439, 1440, 1441, 1442, 1441, 1443, 1440}));
    const auto records = loadRecords(file);
    // The last record whose time is not below any earlier one is 1443; a later step back of
    // less than 1000 minutes ends the run there.
    ASSERT_EQ(records.size(), 7u);
    EXPECT_EQ(records.back().time, 1443);
    EXPECT_EQ(measureDuration(file), 1443);
}

TEST(ReportRecords, TruncatedFileKeepsWholeRecords) {
    std::string bytes = testing::encodeCounts(makeRecords({0, 1, 2}, tens));
    bytes.resize(bytes.size() - 10);
    const auto decoded = decodeCountsRecords(bytes);
    ASSERT_EQ(decoded.size(), 2u);
    EXPECT_EQ(decoded[1].minutes, 1);
    EXPECT_EQ(decoded[1].counts[383], 10);
    EXPECT_EQ(decoded[1].temperature, 215);
    EXPECT_TRUE(decodeCountsRecords(std::string(773, '\xff')).empty());
    // A stamp no writer gives ends the data there.
    auto damaged = makeRecords({0, 1, 2, 3}, tens);
    damaged[2].minutes = -7;
    EXPECT_EQ(decodeCountsRecords(testing::encodeCounts(damaged)).size(), 2u);
    damaged[2].minutes = 40000;
    EXPECT_EQ(decodeCountsRecords(testing::encodeCounts(damaged)).size(), 2u);
}

TEST(ReportBinning, ARunTooLongForItsBinsFormsNoBin) {
    const auto records = loadRecords(makeRecords({0, 1}, tens));
    EXPECT_EQ(binRecords(records, 70000, 1).lastBin, -1);
}

// A w96f-shaped map: well w uses channels (w div 8) x 32 + (w mod 8) x 2 and that + 16.
ReportMap twoBeamMap() {
    ReportMap map;
    map.wellOfChannel.fill(-1);
    map.beamOfChannel.fill(0);
    for (int w = 0; w < 96; ++w) {
        const int c = (w / 8) * 32 + (w % 8) * 2;
        map.wellOfChannel[c] = w;
        map.wellOfChannel[c + 16] = w;
        map.beamOfChannel[c + 16] = 1;
    }
    map.build();
    return map;
}

BinnedRecords oneBin(const std::function<int(int)>& count) {
    BinnedRecords b;
    b.bin = 30;
    b.largestTime = 30;
    b.lastBin = 0;
    b.time = {30};
    b.temperature = {215};
    b.samples = {30};
    b.counts.resize(1);
    for (int c = 0; c < kChannels; ++c) {
        b.counts[0][c] = count(c);
    }
    return b;
}

TEST(ReportStatistics, WellOfTwoBeamsIsTheirRoundedMean) {
    const auto map = twoBeamMap();
    EXPECT_EQ(map.largestWell, 95);
    ReportGroups groups;
    groups.channelGroup.fill(0);
    const auto b = oneBin([](int c) {
        return c == 0 ? 3 : c == 16 ? 4 : c == 2 ? 5 : c == 18 ? 6 : 0;
    });
    const auto s = computeStatistics(b, map, groups);
    EXPECT_EQ(s.wellActivity[0][1], 4);  // 3.5 to even
    EXPECT_EQ(s.wellActivity[1][1], 6);  // 5.5 to even
    EXPECT_EQ(s.averageTemperature[1], 215);
    EXPECT_TRUE(s.binHasData[1]);
}

TEST(ReportStatistics, GroupAverageDeviationAndSize) {
    ReportMap map;
    map.wellOfChannel.fill(-1);
    map.beamOfChannel.fill(0);
    for (int c = 0; c < 4; ++c) {
        map.wellOfChannel[c] = c;
    }
    map.build();
    ReportGroups groups;
    groups.channelGroup.fill(-1);
    groups.channelGroup[0] = groups.channelGroup[1] = groups.channelGroup[2] = 0;
    groups.channelGroup[3] = 2;
    const auto s = computeStatistics(oneBin([](int c) { return (c + 1) * 10; }), map, groups);
    EXPECT_EQ(s.largestGroup, 2);
    EXPECT_EQ(s.groupAverage[0][1], 20);
    EXPECT_EQ(s.groupDeviation[0][1], 10);
    EXPECT_EQ(s.groupSize[0], 3);
    // A group of one well has no spread; a group with no wells has no size.
    EXPECT_EQ(s.groupAverage[2][1], 40);
    EXPECT_EQ(s.groupDeviation[2][1], 0);
    EXPECT_EQ(s.groupSize[2], 1);
    EXPECT_EQ(s.groupSize[1], 0);
}

TEST(ReportStatistics, TemperatureOutsideTheSensorRangeIsNoValue) {
    ReportMap map;
    map.wellOfChannel.fill(-1);
    map.build();
    auto b = oneBin([](int) { return 0; });
    b.temperature = {501};
    EXPECT_EQ(computeStatistics(b, map, ReportGroups{}).averageTemperature[1], 0);
    b.temperature = {10};
    EXPECT_EQ(computeStatistics(b, map, ReportGroups{}).averageTemperature[1], 10);
}

}  // namespace
}  // namespace qv

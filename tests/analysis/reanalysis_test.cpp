#include <gtest/gtest.h>

#include <algorithm>

#include "analysis/activity_detection.h"
#include "analysis/activity_files.h"
#include "analysis/reanalysis.h"
#include "analysis/recorded_run.h"
#include "analysis/report_fixture.h"
#include "common/clock.h"
#include "common/scripted_ui.h"
#include "store/project_load.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

// In the fixture's 96-well format the wells lie in the even beam rows; every channel there
// has a group (beam columns 1-8 group 0, 9-16 group 1, 17-24 group 2).
bool inAGroupedWell(int channel) {
    return channel % 2 == 0;
}

class ReanalysisTest : public ::testing::Test {
  protected:
    void SetUp() override { testing::writePlateFormat(dir_.path(), "w96f"); }

    ReanalysisChoice choice(int method, double snr, bool replace = true) const {
        ReanalysisChoice c;
        c.folder = folder_;
        c.appFolder = dir_.path();
        c.method = static_cast<std::int16_t>(method);
        c.organism = method == kMethodDrosophila ? 3 : 0;
        c.snr = snr;
        c.snrText = std::to_string(snr).substr(0, 3);
        c.replace = replace;
        c.options.autoreport = true;
        return c;
    }

    ReanalysisOutcome run(const ReanalysisChoice& c, const ReanalysisHooks& hooks = {}) {
        return runReanalysis(c, hooks, ui_, clock_);
    }

    // What the per-channel detection gives for every channel of the first n blocks of the
    // run, read back from the raw files (block b is record b mod 11 of file b div 11).
    std::vector<std::array<std::int16_t, kChannels>> detected(int n, const ReanalysisChoice& c,
                                                              int rtBuffer = 500) const {
        std::vector<std::array<std::int16_t, kChannels>> out(static_cast<std::size_t>(n));
        ActivityDetector d;
        for (int b = 0; b < n; ++b) {
            auto block = readRawBlock(rawFilePath(folder_, b / 11), rtBuffer,
                                      static_cast<std::size_t>(b % 11));
            EXPECT_TRUE(block.has_value());
            for (std::int16_t ch = 0; ch < kChannels; ++ch) {
                out[b][ch] = d.DetectActivity(*block, ch, c.snr, c.method, 0, {}, 0);
            }
        }
        return out;
    }

    std::vector<CountsRecord> counts() const {
        return readCountsFile(countsFilePath(folder_)).value().records;
    }

    testing::TempDir dir_;
    fs::path folder_ = dir_ / "p00003/20240614_1530";
    ScriptedUi ui_;
    TestClock clock_;
};

TEST_F(ReanalysisTest, NewCountsAreTheDetectionOfEachStoredBlockForEveryMethod) {
    testing::RecordedRun recorded;  // 25 blocks: 0.bin holds 0..10, 1.bin 11..21, 2.bin 22..24
    recorded.write(folder_);
    EXPECT_EQ(fs::file_size(rawFilePath(folder_, 0)), 11 * rawRecordBytes(500));
    EXPECT_EQ(fs::file_size(rawFilePath(folder_, 1)), 11 * rawRecordBytes(500));
    EXPECT_EQ(fs::file_size(rawFilePath(folder_, 2)), 3 * rawRecordBytes(500));
    for (int method = 0; method <= 3; ++method) {
        SCOPED_TRACE(method);
        const auto c = choice(method, method == kMethodDrosophila ? 0.8 : 2.4);
        const auto out = run(c);
        ASSERT_EQ(out.status, ReanalysisOutcome::Status::Reported) << ui_.messages.back();
        EXPECT_EQ(out.records, 25u);
        const auto records = counts();
        ASSERT_EQ(records.size(), 25u);
        const auto reference = detected(25, c);
        int events = 0;
        for (int b = 0; b < 25; ++b) {
            for (int ch = 0; ch < kChannels; ++ch) {
                const int expected = inAGroupedWell(ch) ? reference[b][ch] : 0;
                ASSERT_EQ(records[b].counts[ch], expected) << "block " << b << " channel " << ch;
                events += expected;
            }
        }
        EXPECT_GT(events, 0);
    }
}

TEST_F(ReanalysisTest, RecordedRunWithItsOwnMethodAndSnrGivesBackItsCounts) {
    testing::RecordedRun recorded;
    recorded.write(folder_);
    const std::string before = testing::readBytes(countsFilePath(folder_));
    const auto stored = counts();

    const auto out = run(choice(kMethodThresholdAverage, recorded.snr));
    ASSERT_EQ(out.status, ReanalysisOutcome::Status::Reported);
    EXPECT_TRUE(out.replaced);
    const auto again = counts();
    ASSERT_EQ(again.size(), stored.size());
    int events = 0;
    for (std::size_t b = 0; b < stored.size(); ++b) {
        EXPECT_EQ(again[b].minutes, stored[b].minutes);
        EXPECT_EQ(again[b].temperatureX10(), 215);
        for (int ch = 0; ch < kChannels; ++ch) {
            if (inAGroupedWell(ch)) {
                ASSERT_EQ(again[b].counts[ch], stored[b].counts[ch]) << b << " " << ch;
                events += stored[b].counts[ch];
            }
        }
    }
    EXPECT_GT(events, 100);
    // The replaced file stays beside it, and the snapshot names the method used.
    EXPECT_EQ(testing::readBytes(folder_ / "counts.bak"), before);
    EXPECT_TRUE(fs::exists(folder_ / "setup.bak"));
    ProjectSetup s;
    double number = 0;
    ASSERT_EQ(readSetupFile(folder_ / "setup.dat", s, number), kSetupFullyRead);
    EXPECT_EQ(s.DSP_Method, 1);
    EXPECT_EQ(s.Mn1[mn1::SNRx10], 18);
    EXPECT_EQ(s.Name, "Larvae");
    EXPECT_EQ(number, 3);
    const std::string report = testing::readBytes(*out.report);
    EXPECT_NE(report.find("\"SETTING:\",\"Mode1 C.elegans[snr=1.8]\""), std::string::npos);
    EXPECT_TRUE(ui_.messages.empty()) << ui_.messages.front();
}

TEST_F(ReanalysisTest, ReplacingTakesTheMethodOrganismAndSnrIntoSetupDat) {
    testing::RecordedRun recorded;
    recorded.blocks = 9;  // two minutes: a run must last for a bin to be formed
    recorded.write(folder_);
    auto c = choice(kMethodDrosophila, 0.9);
    const auto out = run(c);
    ASSERT_EQ(out.status, ReanalysisOutcome::Status::Reported);
    ProjectSetup s;
    double number = 0;
    ASSERT_EQ(readSetupFile(folder_ / "setup.dat", s, number), kSetupFullyRead);
    EXPECT_EQ(s.DSP_Method, 3);
    EXPECT_EQ(s.Mn1[mn1::Organism], 3);
    EXPECT_EQ(s.Mn1[mn1::SNRx10], 9);
    EXPECT_EQ(s.RT_Buffer, 500);
}

TEST_F(ReanalysisTest, KeepingTheOldDataReportsTheNewCountsUnderTheirMethod) {
    testing::RecordedRun recorded;
    recorded.write(folder_);
    const std::string before = testing::readBytes(countsFilePath(folder_));
    auto c = choice(kMethodThresholdBinary, 2.5, false);
    c.snrText = "2,5";
    // Three minutes of data: records up to the first stamped 3 (blocks 0..12).
    c.limitMinutes = 3;
    std::size_t announced = 0;
    ReanalysisHooks hooks;
    hooks.started = [&](std::size_t records, std::int32_t) { announced = records; };
    const auto out = run(c, hooks);
    ASSERT_EQ(out.status, ReanalysisOutcome::Status::Reported);
    EXPECT_EQ(out.records, 13u);
    EXPECT_EQ(announced, 17u);  // the pre-scan counts up to the first stamp past the limit
    EXPECT_FALSE(out.replaced);
    EXPECT_EQ(testing::readBytes(countsFilePath(folder_)), before);
    EXPECT_FALSE(fs::exists(folder_ / "counts.bak"));
    const std::string report = testing::readBytes(*out.report);
    EXPECT_NE(
        report.find(
            "\"SETTING:\",\"0_Threshold+Binary (Old Method.w/filters) C elegans(>L4) [SNR=2,5]\""),
        std::string::npos);
    // The bin is fitted to the largest stamp the pre-scan saw: 4 minutes.
    EXPECT_EQ(out.bin, 4);
}

TEST_F(ReanalysisTest, BackwardsStampCountsNothingAndADayWrapGoesOn) {
    const std::vector<int> stamps = {1437, 1438, 1439, 1438, 0, 1, 2};
    testing::RecordedRun recorded;
    recorded.blocks = static_cast<int>(stamps.size());
    recorded.stamp = [&](int b) { return stamps[static_cast<std::size_t>(b)]; };
    recorded.write(folder_);
    const auto c = choice(kMethodThresholdAverage, 1.8);
    ASSERT_EQ(run(c).status, ReanalysisOutcome::Status::Reported);
    const auto records = counts();
    const auto reference = detected(7, c);
    const std::vector<int> times = {1437, 1438, 1439, 1438, 1440, 1441, 1442};
    ASSERT_EQ(records.size(), times.size());
    for (std::size_t b = 0; b < records.size(); ++b) {
        EXPECT_EQ(records[b].minutes, times[b]);
        for (int ch = 0; ch < kChannels; ch += 2) {
            const int expected = b == 3 ? 0 : reference[b][ch];
            ASSERT_EQ(records[b].counts[ch], expected) << b << " " << ch;
        }
    }
}

TEST_F(ReanalysisTest, StopLeavesCountsAloneAndWritesNoReport) {
    testing::RecordedRun recorded;
    recorded.write(folder_);
    const std::string before = testing::readBytes(countsFilePath(folder_));
    std::size_t shown = 0;
    ReanalysisHooks hooks;
    hooks.record = [&](std::size_t n, std::size_t) { shown = n; };
    hooks.stopRequested = [&] { return shown == 4; };
    const auto out = run(choice(kMethodThresholdAverage, 1.8), hooks);
    EXPECT_EQ(out.status, ReanalysisOutcome::Status::Stopped);
    EXPECT_EQ(out.records, 4u);
    EXPECT_FALSE(out.report);
    EXPECT_EQ(testing::readBytes(countsFilePath(folder_)), before);
    EXPECT_FALSE(fs::exists(folder_ / "counts.bak"));
    EXPECT_FALSE(fs::exists(folder_ / "report.csv"));
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(ReanalysisTest, ExportRawWritesOneMarksLinePerRecordLedByItsStamp) {
    testing::RecordedRun recorded;
    recorded.blocks = 6;
    recorded.stamp = [](int b) { return b; };
    recorded.write(folder_);
    auto c = choice(kMethodThresholdAverage, 1.8, false);
    c.exportRaw = true;
    ASSERT_EQ(run(c).status, ReanalysisOutcome::Status::Reported);
    const std::string marks = testing::readBytes(marksFilePath(folder_, 0));
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = marks.find("\r\n", at)) != std::string::npos;
         at = end + 2) {
        lines.push_back(marks.substr(at, end - at));
    }
    ASSERT_EQ(lines.size(), 6u);
    for (int b = 0; b < 6; ++b) {
        const std::string lead = std::to_string(b) + " ";
        EXPECT_EQ(lines[b].substr(0, lead.size()), lead);
        EXPECT_EQ(lines[b].size(), lead.size() + 500);
    }
    // Channels in no well are not analysed, so they get no marks file.
    EXPECT_FALSE(fs::exists(marksFilePath(folder_, 1)));
}

TEST_F(ReanalysisTest, ChannelsOfAWellWithoutGroupCountNothing) {
    testing::RecordedRun recorded;
    recorded.blocks = 3;
    recorded.stamp = [](int b) { return b; };
    // Well A1 is channel 0 (beam 0) and channel 16 (beam 1): with beam 0 free, the well has no
    // group, so channel 16 is not analysed although it has a group of its own.
    recorded.acquisition.channelGroups.assign(kChannels, 0);
    recorded.acquisition.channelGroups[0] = -1;
    recorded.write(folder_);
    const auto c = choice(kMethodThresholdAverage, 1.2);
    ASSERT_EQ(run(c).status, ReanalysisOutcome::Status::Reported);
    const auto records = counts();
    const auto reference = detected(3, c);
    int elsewhere = 0;
    for (int b = 0; b < 3; ++b) {
        EXPECT_EQ(records[b].counts[0], 0);
        EXPECT_EQ(records[b].counts[16], 0);
        EXPECT_EQ(records[b].counts[32], reference[b][32]);
        elsewhere += records[b].counts[32] + records[b].counts[48];
    }
    EXPECT_GT(elsewhere, 0);
}

TEST_F(ReanalysisTest, RawRecordsAreSizedByTheAcquisitionsRtBuffer) {
    testing::RecordedRun recorded;
    recorded.blocks = 3;
    recorded.stamp = [](int b) { return b; };
    recorded.acquisition.rtBuffer = 600;
    recorded.write(folder_);
    ASSERT_EQ(fs::file_size(rawFilePath(folder_, 0)), 3 * rawRecordBytes(600));
    const auto c = choice(kMethodThresholdAverage, 1.8);
    ASSERT_EQ(run(c).status, ReanalysisOutcome::Status::Reported);
    const auto records = counts();
    const auto reference = detected(3, c, 600);
    for (int b = 0; b < 3; ++b) {
        for (int ch = 0; ch < kChannels; ch += 2) {
            ASSERT_EQ(records[b].counts[ch], reference[b][ch]);
        }
    }
}

TEST_F(ReanalysisTest, MissingRawDataIsReportedAndNothingIsWritten) {
    testing::RecordedRun recorded;
    recorded.write(folder_);
    const std::string before = testing::readBytes(countsFilePath(folder_));
    fs::remove(rawFilePath(folder_, 1));
    auto out = run(choice(kMethodThresholdAverage, 1.8));
    EXPECT_EQ(out.status, ReanalysisOutcome::Status::Failed);
    EXPECT_EQ(ui_.messages.back(),
              "Real Time Data Not Found: " + rawFilePath(folder_, 1).string() + " (block 12)");
    EXPECT_EQ(testing::readBytes(countsFilePath(folder_)), before);

    // A raw file cut off inside a record (a run stopped mid-write) ends the data there.
    const std::string last = testing::readBytes(rawFilePath(folder_, 2));
    testing::writeBytes(rawFilePath(folder_, 1), std::string(11 * rawRecordBytes(500), '\0'));
    testing::writeBytes(rawFilePath(folder_, 2), last.substr(0, last.size() - 10));
    out = run(choice(kMethodThresholdAverage, 1.8));
    EXPECT_EQ(out.status, ReanalysisOutcome::Status::Failed);
    EXPECT_EQ(ui_.messages.back(),
              "Real Time Data Not Found: " + rawFilePath(folder_, 2).string() + " (block 25)");
    EXPECT_EQ(testing::readBytes(countsFilePath(folder_)), before);

    fs::remove(rawFilePath(folder_, 0));
    out = run(choice(kMethodThresholdAverage, 1.8));
    EXPECT_EQ(out.status, ReanalysisOutcome::Status::Failed);
    EXPECT_EQ(ui_.messages.back(), "Real Time Data Not Found");
    EXPECT_FALSE(fs::exists(folder_ / "report.csv"));
}

TEST_F(ReanalysisTest, ACountsFileThatCannotBeReplacedStaysWholeAndTheReportStillComes) {
    testing::RecordedRun recorded;
    recorded.blocks = 5;
    recorded.stamp = [](int b) { return b; };
    recorded.write(folder_);
    const std::string before = testing::readBytes(countsFilePath(folder_));
    fs::create_directory(folder_ / "counts.bak");  // where the old file should go
    const auto out = run(choice(kMethodThresholdAverage, 1.8));
    EXPECT_FALSE(out.replaced);
    EXPECT_EQ(ui_.messages.front(), "Error writing " + countsFilePath(folder_).string());
    EXPECT_EQ(testing::readBytes(countsFilePath(folder_)), before);
    ASSERT_TRUE(out.report);
    EXPECT_NE(testing::readBytes(*out.report).find("[SNR=1.8]"), std::string::npos);
}

TEST_F(ReanalysisTest, ADetectionFailureStopsTheRunWithoutWriting) {
    testing::AcquisitionFixture().write(folder_,
                                        testing::everyMinute(1, [](int, int) { return 0; }));
    const std::string before = testing::readBytes(countsFilePath(folder_));
    // Light far beyond any reading, swinging widely: the clip line leaves 16 bits.
    SampleBlock wild;
    for (int s = 0; s < wild.samplesPerChannel(); ++s) {
        for (int ch = 0; ch < SampleBlock::kChannels; ++ch) {
            wild.at(ch, s) = static_cast<std::int16_t>(s % 2 ? 32000 : 20000);
        }
    }
    testing::writeBytes(rawFilePath(folder_, 0),
                        encodeRawBlock(testing::modelBlock(1)) + encodeRawBlock(wild));
    const auto out = run(choice(kMethodThresholdAverage, 6.0));
    EXPECT_EQ(out.status, ReanalysisOutcome::Status::Failed);
    EXPECT_EQ(ui_.messages.back().rfind("Detection failed in block 2/2: ", 0), 0u)
        << ui_.messages.back();
    EXPECT_EQ(testing::readBytes(countsFilePath(folder_)), before);
    EXPECT_FALSE(fs::exists(folder_ / "report.csv"));
}

TEST(ReanalysisRules, SnrRangesAndSubtitle) {
    EXPECT_TRUE(snrInRange(0.95, kOrganismDrosophila));
    EXPECT_FALSE(snrInRange(1.2, kOrganismDrosophila));
    EXPECT_FALSE(snrInRange(0.4, kOrganismDrosophila));
    EXPECT_TRUE(snrInRange(6.0, 0));
    EXPECT_FALSE(snrInRange(1.0, 1));
    EXPECT_EQ(snrDefault(kOrganismDrosophila), 0.8);
    EXPECT_EQ(snrDefault(2), 1.8);
    EXPECT_EQ(reanalysisSubtitle(3, 3, "0.8"), "3_Drosophila (Threshold) Drosophila [SNR=0.8]");
}

}  // namespace
}  // namespace qv

#include <gtest/gtest.h>

#include "analysis/basal_normalisation.h"
#include "analysis/report_fixture.h"
#include "common/scripted_ui.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

// One channel per well for channels 0..3; everything else lies in no well.
ReportMap fourWells() {
    ReportMap map;
    map.wellOfChannel.fill(-1);
    map.beamOfChannel.fill(0);
    for (int c = 0; c < 4; ++c) {
        map.wellOfChannel[c] = c;
    }
    map.build();
    return map;
}

ReportGroups allInGroupZero() {
    ReportGroups g;
    g.channelGroup.fill(0);
    g.names = {"Control"};
    return g;
}

BinnedRecords reportBins(std::initializer_list<std::array<int, 4>> bins) {
    BinnedRecords b;
    b.bin = 30;
    for (const auto& values : bins) {
        std::array<std::int32_t, kChannels> row{};
        for (int c = 0; c < 4; ++c) {
            row[c] = values[c];
        }
        b.counts.push_back(row);
        b.time.push_back(30 * static_cast<int>(b.time.size() + 1));
    }
    b.lastBin = static_cast<int>(b.counts.size()) - 1;
    b.largestTime = b.time.back();
    return b;
}

class BasalTest : public ::testing::Test {
  protected:
    // A basal run of the given length, each channel counting perMinute(channel, minute).
    void writeBasal(int minutes, const std::function<int(int, int)>& perMinute) {
        testing::writeBytes(dir_ / "p00001/20240614_1400/counts.bin",
                            testing::encodeCounts(testing::everyMinute(
                                minutes, [&](int i, int c) { return perMinute(c, i); })));
    }
    BasalOutcome normalise(BinnedRecords& report, ReportGroups& groups) {
        return normaliseToBasal("20240614_1400 basal", report_, report, groups, map_, ui_);
    }

    testing::TempDir dir_;
    fs::path report_ = dir_ / "p00001/20240614_1530";
    ReportMap map_ = fourWells();
    ScriptedUi ui_;
};

TEST(BasalName, OnlyALongEnoughNameSwitchesItOn) {
    EXPECT_FALSE(basalIsOn(""));
    EXPECT_FALSE(basalIsOn("-"));
    EXPECT_FALSE(basalIsOn("20240614_140"));
    EXPECT_TRUE(basalIsOn("20240614_1400"));
    EXPECT_EQ(basalFolder("/data/p00001/20240614_1530", "20240614_1400 first"),
              fs::path("/data/p00001/20240614_1400"));
}

TEST(BasalPeriod, ShortBasalRunNeedsNoQuestion) {
    ScriptedUi ui;
    EXPECT_EQ(askBasalMinutes(40, 30, ui), 30);
    EXPECT_TRUE(ui.prompts.empty());
}

TEST(BasalPeriod, AnswersOutsideTheRangeAskAgain) {
    ScriptedUi ui;
    ui.queueInput("20");
    ui.queueInput("300");
    ui.queueInput("");
    ui.queueInput("90,4");
    EXPECT_EQ(askBasalMinutes(240, 30, ui), 90);
    ASSERT_EQ(ui.prompts.size(), 4u);
    EXPECT_EQ(ui.prompts[0],
              "Basal acquisition is 240min long, and BinSize=30min. \r\n\r\nHow many minutes do "
              "you want to use to calculate Basal Meassurement?");
    EXPECT_EQ(ui.prompts[1], "Enter a value between 30 and 240");
    EXPECT_EQ(ui.prompts[2], ui.prompts[0]);
    EXPECT_TRUE(ui.scriptUsedUp());
}

TEST(BasalPeriod, CancelIsAskedAgainUntilAValueInRange) {
    ScriptedUi ui;
    ui.queueInput(std::nullopt);
    ui.queueInput(std::nullopt);
    ui.queueInput(std::nullopt);
    ui.queueInput("240");
    EXPECT_EQ(askBasalMinutes(240, 30, ui), 240);
    ASSERT_EQ(ui.prompts.size(), 4u);
    EXPECT_EQ(ui.prompts[1], "Enter a value between 30 and 240");
    EXPECT_EQ(ui.prompts[3], "Enter a value between 30 and 240");
}

TEST_F(BasalTest, PercentOfTheMeanBasalBin) {
    // 60 basal minutes: channel 0 counts 40 then 60 per bin, a basal of 50 per bin.
    ui_.queueInput("60");
    auto report = reportBins({{{75, 0, 0, 0}}, {{150, 0, 0, 0}}});
    auto groups = allInGroupZero();
    // Channels 1..3 hold a zero basal: discard them.
    for (int c = 1; c < 4; ++c) {
        groups.channelGroup[c] = 0;
    }
    writeBasal(60, [](int c, int minute) {
        return c != 0 ? 0 : minute == 5 ? 40 : minute == 35 ? 60 : 0;
    });
    ui_.queueAnswer(Answer::Yes);
    ui_.queueAnswer(Answer::Cancel);
    EXPECT_EQ(normalise(report, groups), BasalOutcome::Done);
    EXPECT_EQ(ui_.messages.front(), "Using Groups Selected in Experiment: " +
                                        report_.string().substr(report_.string().size() - 20));
    EXPECT_EQ(ui_.messageTitles.front(), "<BASAL CALCULATION>");
    EXPECT_EQ(report.counts[0][0], 150);
    EXPECT_EQ(report.counts[1][0], 300);
    EXPECT_EQ(ui_.questions[0], "You have 3 BASAL WELLS with 0 activity. Proceed anyway??");
    EXPECT_EQ(report.counts[0][1], -999);
    EXPECT_EQ(groups.channelGroup[1], -1);
    EXPECT_EQ(ui_.messages.back(),
              "ERROR in 3 BASAL channels.\r\nChannels were discarded and transferred to Free "
              "Group");
    // Channels in no well keep their counts.
    EXPECT_EQ(groups.channelGroup[10], 0);
}

TEST_F(BasalTest, PercentIsCappedAt10000) {
    writeBasal(40, [](int c, int minute) { return c == 0 && minute == 5 ? 1 : 1 - (c == 0); });
    auto report = reportBins({{{150, 30, 30, 30}}});
    auto groups = allInGroupZero();
    EXPECT_EQ(normalise(report, groups), BasalOutcome::Done);
    EXPECT_EQ(report.counts[0][0], 10000);
    EXPECT_EQ(report.counts[0][1], 100);
}

TEST_F(BasalTest, ZeroBasalTakesTheLargestActivityOrThePlateAverage) {
    writeBasal(40, [](int c, int) { return c == 0 ? 0 : 2; });  // basal 60 per bin, or 0
    {
        auto report = reportBins({{{20, 60, 60, 60}}, {{40, 60, 60, 60}}});
        auto groups = allInGroupZero();
        ui_.queueAnswer(Answer::Yes);
        ui_.queueAnswer(Answer::Yes);  // the channel's largest binned activity: 40
        EXPECT_EQ(normalise(report, groups), BasalOutcome::Done);
        EXPECT_EQ(report.counts[0][0], 50);
        EXPECT_EQ(report.counts[1][0], 100);
    }
    {
        auto report = reportBins({{{20, 60, 60, 60}}});
        auto groups = allInGroupZero();
        ui_.queueAnswer(Answer::Yes);
        ui_.queueAnswer(Answer::No);  // the plate's basal average, zero included: 45
        EXPECT_EQ(normalise(report, groups), BasalOutcome::Done);
        EXPECT_EQ(report.counts[0][0], 44);  // 44.4
    }
}

TEST_F(BasalTest, NoToTheZeroQuestionStopsQuietly) {
    writeBasal(40, [](int c, int) { return c == 0 ? 0 : 2; });
    auto report = reportBins({{{20, 60, 60, 60}}});
    auto groups = allInGroupZero();
    ui_.queueAnswer(Answer::No);
    EXPECT_EQ(normalise(report, groups), BasalOutcome::Stop);
    EXPECT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(report.counts[0][0], 20);
}

TEST_F(BasalTest, MissingBasalDataStopsWithResamplingError) {
    auto report = reportBins({{{20, 60, 60, 60}}});
    auto groups = allInGroupZero();
    EXPECT_EQ(normalise(report, groups), BasalOutcome::Stop);
    EXPECT_EQ(ui_.messages.back(), "Resampling ERROR");
}

TEST_F(BasalTest, BeamsOfAWellShareTheWellsBasal) {
    ReportMap map;
    map.wellOfChannel.fill(-1);
    map.beamOfChannel.fill(0);
    map.wellOfChannel[0] = map.wellOfChannel[16] = 0;
    map.beamOfChannel[16] = 1;
    map.build();
    map_ = map;
    writeBasal(40, [](int c, int) { return c == 0 ? 1 : c == 16 ? 3 : 0; });  // 30 and 90
    auto report = reportBins({{{60, 0, 0, 0}}});
    report.counts[0][16] = 180;
    auto groups = allInGroupZero();
    EXPECT_EQ(normalise(report, groups), BasalOutcome::Done);
    // Well basal 60, well activity 120: both beams read 200 %.
    EXPECT_EQ(report.counts[0][0], 200);
    EXPECT_EQ(report.counts[0][16], 200);
}

}  // namespace
}  // namespace qv

#include <gtest/gtest.h>

#include "analysis/quick_report.h"
#include "analysis/report_fixture.h"
#include "analysis/well_export.h"
#include "common/date_time.h"
#include "common/scripted_ui.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using testing::readBytes;

QuickReportInput twoWellInput() {
    QuickReportInput in;
    in.projectNumber = 3;
    in.projectName = "Larvae";
    in.map.rows = 8;
    in.map.wellOfChannel.fill(-1);
    in.map.beamOfChannel.fill(0);
    in.map.wellOfChannel[0] = in.map.wellOfChannel[16] = 0;
    in.map.beamOfChannel[16] = 1;
    in.map.wellOfChannel[2] = 1;
    in.map.build();
    in.groups.channelGroup.fill(-1);
    in.groups.names = {"Control", "Larvae"};
    in.groups.channelGroup[0] = in.groups.channelGroup[16] = 0;
    in.groups.channelGroup[2] = 1;
    in.enabled.fill(true);
    in.totals[0] = 3;
    in.totals[16] = 4;
    in.totals[2] = 9;
    return in;
}

TEST(QuickReport, SectionsAndLabels) {
    const auto text = quickReportText(twoWellInput(), DateTime{2024, 6, 14, 17, 5, 9, 0});
    EXPECT_EQ(text.rfind(
                  "14/06/2024 17:05:09\r\n3_Larvae\r\n\r\nGroup Activity:\r\n~~~~~~~~~~~~~\r\n", 0),
              0u);
    EXPECT_NE(text.find("Group Value\r\n\"000_Control\" 4\r\n\"001_Larvae\" 9\r\n\r\n"),
              std::string::npos);
    // Well B1 (index 1) owns one beam of the two the plate allows: its own beam is its value.
    EXPECT_NE(text.find("Well Group Value\r\nA1 \"000_Control\" 4\r\nB1 \"001_Larvae\" 9\r\n\r\n"),
              std::string::npos);
    EXPECT_NE(
        text.find(
            "Channel Well Group Value\r\n0 A1.0 \"000_Control\" 3\r\n1 - \"999_Free \" 0\r\n"),
        std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 6), "\r\n\r\n\r\n");
}

TEST(QuickReport, GroupWithoutEnabledChannelIsLeftOut) {
    auto in = twoWellInput();
    in.enabled[2] = false;
    const auto text = quickReportText(in, DateTime{});
    EXPECT_NE(text.find("Group Value\r\n\"000_Control\" 4\r\n\r\nWell Activity:"),
              std::string::npos);
    EXPECT_NE(text.find("B1 \"001_Larvae\" 9\r\n"), std::string::npos);
}

TEST(QuickReport, WrittenAndOpenedOnlyWhenNoRunIsGoing) {
    testing::TempDir dir;
    ScriptedUi ui;
    TestClock clock;
    EXPECT_FALSE(writeQuickReport(dir.path(), twoWellInput(), true, ui, clock));
    EXPECT_FALSE(fs::exists(dir / "report.txt"));
    EXPECT_TRUE(writeQuickReport(dir.path(), twoWellInput(), false, ui, clock));
    ASSERT_EQ(ui.opened.size(), 1u);
    EXPECT_EQ(ui.opened[0].path, (dir / "report.txt").string());
    EXPECT_GT(clock.totalSleptMs(), 0);
}

TEST(QuickReport, FromTheProjectInMemory) {
    ProjectSetup setup;
    setup.Name = "Larvae";
    setDefaultGroupNames(setup);
    setDefaultChannelGroups(setup);
    setup.channelEnabled.fill(true);
    PlateFormat plate;
    ASSERT_TRUE(applyBuiltInPlateFormat("w96f", plate));
    buildMap(plate);
    std::array<std::int64_t, kChannels> totals{};
    totals[0] = 3;
    totals[16] = 4;
    const auto text = quickReportText(quickReportInputOf(3, setup, plate, totals), DateTime{});
    EXPECT_NE(text.find("\r\n3_Larvae\r\n"), std::string::npos);
    EXPECT_NE(text.find("Well Group Value\r\nA1 \"000_Group0\" 4\r\n"), std::string::npos);
    // The format names well 96 as its largest, but no channel lies there: no line for it.
    EXPECT_NE(text.find("\r\nH12 "), std::string::npos);
    EXPECT_EQ(text.find("\r\nA13 "), std::string::npos);
}

TEST(ShowMyReport, NeedsARunWithActivity) {
    testing::TempDir dir;
    ScriptedUi ui;
    EXPECT_FALSE(showMyReportFolder(dir.path(), "", ui));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(showMyReportFolder(dir.path(), "20240614_1530", ui));
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Activity file not Found"});
    testing::writeBytes(dir / "20240614_1530/counts.bin", "");
    EXPECT_EQ(*showMyReportFolder(dir.path(), "20240614_1530", ui), dir / "20240614_1530");
}

class WellExportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::writePlateFormat(dir_.path(), "w384");
        fixture_.plateFormat = "w384";
        fixture_.write(folder_, testing::everyMinute(90, [](int, int c) { return c % 4; }));
    }
    bool run(bool withTime, std::int32_t bin = 30) {
        ui_.queueAnswer(Answer::Yes);
        ui_.queueAnswer(withTime ? Answer::Yes : Answer::No);
        return exportWells(folder_, dir_.path(), bin, ui_, clock_);
    }

    testing::TempDir dir_;
    fs::path folder_ = dir_ / "p00003/20240614_1530";
    testing::AcquisitionFixture fixture_;
    ScriptedUi ui_;
    TestClock clock_;
};

TEST_F(WellExportTest, WithoutTimeFieldOneFilePerChannelAndTimes) {
    ASSERT_TRUE(run(false));
    EXPECT_EQ(readBytes(folder_ / "time.txt"), "1800 3600 5400\r\n");
    EXPECT_EQ(readBytes(folder_ / "ch000001.txt"), "30 30 30\r\n");
    EXPECT_EQ(readBytes(folder_ / "ch000383.txt"), "90 90 90\r\n");
    ASSERT_EQ(ui_.opened.size(), 1u);
    EXPECT_EQ(ui_.opened[0].path, folder_.string() + "/");
    EXPECT_EQ(ui_.opened[0].kind, ExternalKind::FileBrowser);
    EXPECT_EQ(ui_.questions, (std::vector<std::string>{"Do you like to Export 384 text files?",
                                                       "Include time field?"}));
}

TEST_F(WellExportTest, WithTimeFieldOneFilePerWellFromTheFolderName) {
    ASSERT_TRUE(run(true));
    EXPECT_EQ(readBytes(folder_ / "000_A1.txt"),
              "14/06/2024 16:00 0\r\n14/06/2024 16:30 0\r\n14/06/2024 17:00 0\r\n");
    EXPECT_EQ(readBytes(folder_ / "005_F1.txt").substr(0, 20), "14/06/2024 16:00 30\r");
    EXPECT_TRUE(fs::exists(folder_ / "383_P24.txt"));
}

TEST_F(WellExportTest, ShortRunGetsAShorterBin) {
    ASSERT_TRUE(run(false, 120));
    EXPECT_EQ(readBytes(folder_ / "time.txt"), "5400\r\n");
}

TEST_F(WellExportTest, DeclinedOrMissingActivity) {
    ui_.queueAnswer(Answer::No);
    EXPECT_FALSE(exportWells(folder_, dir_.path(), 30, ui_, clock_));
    EXPECT_FALSE(fs::exists(folder_ / "time.txt"));
    fs::remove(folder_ / "counts.bin");
    EXPECT_FALSE(run(false));
    EXPECT_EQ(ui_.messages, std::vector<std::string>{"Activity file not Found"});
}

TEST(AcquisitionStart, FolderNameOrNow) {
    TestClock clock(DateTime{2025, 1, 2, 3, 4, 0, 0});
    EXPECT_EQ(acquisitionStart("/x/p00001/20240614_1530", clock), (DateTime{2024, 6, 14, 15, 30}));
    EXPECT_EQ(acquisitionStart("/x/p00001/renamed", clock), (DateTime{2025, 1, 2, 3, 4}));
}

}  // namespace
}  // namespace qv

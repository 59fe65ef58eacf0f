#include <gtest/gtest.h>

#include "analysis/activity_files.h"
#include "analysis/recorded_run.h"
#include "analysis/report_fixture.h"
#include "analysis/report_window.h"
#include "common/clock.h"
#include "common/scripted_ui.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

// A Ui whose event passes run what the user would do meanwhile (a click on STOP).
class BusyUi : public ScriptedUi {
  public:
    std::function<void(int)> duringEvents;
    void processEvents() override {
        ScriptedUi::processEvents();
        if (duringEvents) {
            duringEvents(eventPumps);
        }
    }
};

// Virtual time that moves on each time it is read, as records take their time to analyse.
class SteppingClock : public TestClock {
  public:
    std::int64_t monotonicMs() override {
        advanceMs(10);
        return TestClock::monotonicMs();
    }
};

class ReportWindowsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        report_.attach(userDefined_);
        settings_.attach(userDefined_, mainForm_);
        report_.listSeparator = settings_.listSeparator = [] { return std::string(";"); };
    }

    // A recorded run with raw data in project 3, and the plate format it names.
    void recordRun(int blocks = 25) {
        testing::writePlateFormat(dir_.path(), "w96f");
        testing::RecordedRun run;
        run.blocks = blocks;
        run.write(folder_);
    }

    testing::TempDir dir_;
    BusyUi ui_;
    SteppingClock clock_;
    Store store_{dir_.path(), ui_};
    Controls main_;
    Control& userDefined_ = main_.add("mn_userbin", ControlKind::MenuItem);
    Control& mainForm_ = main_.add("Frm_Main", ControlKind::Form);
    ReportSettingsWindow settings_{store_, ui_};
    ReportWindow report_{store_, ui_, clock_};
    fs::path folder_ = dir_ / "p00003/20240614_1530";
};

TEST_F(ReportWindowsTest, AppliedTextSettingsOpenTheNextReportWindow) {
    settings_.Form_Load();
    EXPECT_TRUE(settings_.Frm_reportset.visible);
    EXPECT_EQ(settings_.txt_customspacer.text, ";");
    EXPECT_EQ(settings_.Cmb_binsize.items.size(), 10u);
    EXPECT_EQ(settings_.Option_output[3]->text, "CHArray");
    selectOption(settings_.Option_report, 1);
    settings_.txt_customspacer.text = "|";
    settings_.Cmb_binsize.text = "45";
    selectOption(settings_.Option_output, 1);
    settings_.Chk_statistic[kStdDev]->checked = true;
    mainForm_.visible = false;
    settings_.Cmd_generate_Click();
    EXPECT_EQ(ui_.messages.back(), "User Configuration Applied");
    EXPECT_TRUE(userDefined_.checked);
    EXPECT_FALSE(settings_.Frm_reportset.visible);
    EXPECT_TRUE(mainForm_.visible);
    EXPECT_EQ(store_.report().filetype, 1);

    report_.Form_Load();
    EXPECT_TRUE(report_.Option_report[1]->checked);
    EXPECT_FALSE(report_.Option_report[0]->checked);
    EXPECT_EQ(report_.txt_customspacer.text, "|");  // the stored one, not the blank of a .txt
    EXPECT_EQ(report_.Cmb_binsize.text, "45");
    EXPECT_EQ(report_.Cmb_binsize.items.back(), "45");  // a size not in the list is added
    EXPECT_TRUE(report_.Option_output[1]->checked);
    EXPECT_TRUE(report_.Chk_statistic[kStdDev]->checked);
    EXPECT_EQ(report_.bin(), 45);
    const auto options = report_.reportOptions();
    EXPECT_FALSE(options.csv);
    EXPECT_EQ(options.layout, ReportLayout::List);
}

TEST_F(ReportWindowsTest, BackToDefaultAndTheReportWindowsStartValues) {
    settings_.Form_Load();
    selectOption(settings_.Option_report, 1);
    settings_.Cmd_generate_Click();
    settings_.Cmd_cancel_Click();
    EXPECT_EQ(ui_.messages.back(), "Default Report Configuration Applied");
    EXPECT_FALSE(userDefined_.checked);
    report_.Form_Load();
    EXPECT_EQ(report_.Cmb_binsize.text, "30");
    EXPECT_EQ(report_.Cmb_binsize.items.size(), 11u);
    EXPECT_TRUE(report_.Option_report[0]->checked);
    EXPECT_EQ(report_.txt_customspacer.text, ";");
    EXPECT_TRUE(report_.Option_output[0]->checked);
    EXPECT_TRUE(report_.Chk_statistic[kStdError]->checked);
    EXPECT_TRUE(report_.Chk_statistic[kCount]->checked);
    EXPECT_FALSE(report_.Chk_statistic[kStdDev]->checked);
    EXPECT_EQ(report_.frmtxt_threshold.text, "1.8");
    EXPECT_EQ(report_.Cmb_dspmethod.listIndex, 1);
    EXPECT_EQ(report_.Cmb_dspmethod.text, "1_Threshold Avrg (Default.Agar&Liquid)");
    EXPECT_EQ(report_.Cmb_organism.text, "C elegans(>L4)");
    EXPECT_FALSE(report_.Option_output[4]->visible);
    EXPECT_FALSE(report_.Frame_reanalysis.visible);
}

TEST_F(ReportWindowsTest, ControlRules) {
    report_.Form_Load();
    report_.Option_report_Click(1);
    EXPECT_EQ(report_.txt_customspacer.text, " ");
    EXPECT_TRUE(report_.Option_report[1]->checked);
    report_.Option_report_Click(0);
    EXPECT_EQ(report_.txt_customspacer.text, ";");
    report_.Chk_replacedata.checked = true;
    report_.Chk_replacedata_Click();
    EXPECT_FALSE(report_.frmtxt_datalapse.enabled);
    report_.frmtxt_datalapse.text = "2";
    report_.Chk_rawexport.checked = true;
    report_.Chk_rawexport_Click();
    EXPECT_FALSE(report_.Chk_replacedata.checked);
    EXPECT_TRUE(report_.frmtxt_datalapse.enabled);
    EXPECT_EQ(report_.frmtxt_datalapse.text, "533");
}

TEST_F(ReportWindowsTest, OrganismPresetsAndTheSnrBox) {
    report_.Form_Load();
    selectText(report_.Cmb_organism, "Drosophila");
    report_.Cmb_organism_Click();
    EXPECT_EQ(report_.Cmb_dspmethod.listIndex, 3);
    EXPECT_EQ(report_.frmtxt_threshold.text, "0.8");
    report_.frmtxt_threshold.text = "0.95";
    report_.frmtxt_threshold_LostFocus();
    EXPECT_EQ(report_.frmtxt_threshold.text, "0.95");
    report_.frmtxt_threshold.text = "1.2";
    report_.frmtxt_threshold_LostFocus();
    EXPECT_EQ(report_.frmtxt_threshold.text, "0.8");
    report_.frmtxt_threshold.text = "0,6";
    report_.frmtxt_threshold_LostFocus();
    EXPECT_EQ(report_.frmtxt_threshold.text, "0,6");

    selectText(report_.Cmb_organism, "Echinococcus");
    report_.Cmb_organism_Click();
    EXPECT_EQ(report_.Cmb_dspmethod.listIndex, 2);
    EXPECT_EQ(report_.frmtxt_threshold.text, "1.8");
    selectText(report_.Cmb_organism, "Zebrafish(Larvae)");
    report_.Cmb_organism_Click();
    EXPECT_EQ(report_.Cmb_dspmethod.listIndex, 2);  // only two organisms choose a method
    EXPECT_EQ(report_.frmtxt_threshold.text, "2.8");
    report_.frmtxt_threshold.text = "6.5";
    report_.frmtxt_threshold_LostFocus();
    EXPECT_EQ(report_.frmtxt_threshold.text, "1.8");
}

TEST_F(ReportWindowsTest, ShowMyReportChoosesTheLayoutByTheHistogramFiles) {
    testing::writePlateFormat(dir_.path(), "w96f");
    testing::AcquisitionFixture().write(folder_,
                                        testing::everyMinute(45, [](int, int) { return 2; }));
    store_.report().out_format = 2;
    saveReportConfig(dir_.path(), 1, store_.report(), ui_);
    userDefined_.checked = true;

    report_.showMyReport(folder_, false);
    EXPECT_TRUE(report_.frm_report.visible);
    EXPECT_EQ(report_.inputFolder(), folder_);
    EXPECT_FALSE(report_.Option_output[4]->visible);
    EXPECT_TRUE(report_.Option_output[0]->checked);  // "Rows", whatever the stored layout
    EXPECT_FALSE(report_.Option_output[2]->checked);

    testing::writeBytes(folder_ / "histo0000.bin", "");
    report_.showMyReport(folder_, false);
    EXPECT_TRUE(report_.Option_output[4]->visible);
    EXPECT_TRUE(report_.Option_output[4]->checked);
    EXPECT_EQ(report_.reportOptions().layout, ReportLayout::Histogram);
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(ReportWindowsTest, OpenedOnAnAcquisitionItOffersTheOtherRunsAsBasal) {
    testing::writePlateFormat(dir_.path(), "w96f");
    testing::AcquisitionFixture first;
    first.name = "before treatment";
    first.write(dir_ / "p00003/20240614_1400",
                testing::everyMinute(45, [](int, int) { return 2; }));
    testing::AcquisitionFixture().write(folder_,
                                        testing::everyMinute(45, [](int, int) { return 2; }));
    fs::create_directories(dir_ / "p00003/20240614_1500");  // no counts.bin: no basal
    report_.openOn(folder_);
    EXPECT_EQ(report_.cmbbasal.items,
              (std::vector<std::string>{"-", "20240614_1400 before treatment"}));
    EXPECT_EQ(report_.cmbbasal.text, "-");
}

TEST_F(ReportWindowsTest, AutomaticReportWritesWithoutOpening) {
    testing::writePlateFormat(dir_.path(), "w96f");
    testing::AcquisitionFixture().write(folder_,
                                        testing::everyMinute(45, [](int, int) { return 2; }));
    report_.showMyReport(folder_, true);
    EXPECT_TRUE(fs::exists(folder_ / "report.csv"));
    EXPECT_EQ(report_.Cmb_binsize.text, "30");
    EXPECT_TRUE(ui_.opened.empty());
    EXPECT_EQ(ui_.messages, std::vector<std::string>{"Report File AutoGenerated"});
    EXPECT_EQ(clock_.totalSleptMs(), 1500);
    EXPECT_FALSE(report_.chk_autoreport.checked);
    EXPECT_TRUE(report_.Frame_settings.enabled);
    EXPECT_FALSE(report_.frm_report.visible);
    EXPECT_FALSE(fs::exists(folder_ / "ch0.raw"));  // rawexport is 0 by default
}

TEST_F(ReportWindowsTest, AutomaticReportWithRawExportAnalysesTheRawDataToo) {
    recordRun(9);
    store_.report().rawexport = 1;
    saveReportConfig(dir_.path(), 1, store_.report(), ui_);
    userDefined_.checked = true;
    report_.showMyReport(folder_, true);
    EXPECT_EQ(ui_.messages, std::vector<std::string>{"Report File AutoGenerated"});
    EXPECT_EQ(clock_.totalSleptMs(), 3000);
    EXPECT_TRUE(fs::exists(folder_ / "ch0.raw"));
    EXPECT_TRUE(report_.Chk_rawexport.checked);
    EXPECT_EQ(report_.frmlbl_status.text, "Block 9/9");
    EXPECT_TRUE(ui_.opened.empty());
    EXPECT_FALSE(report_.frm_report.visible);
}

TEST_F(ReportWindowsTest, GenerateShowsTheShortenedBinAndOpensTheReport) {
    testing::writePlateFormat(dir_.path(), "w96f");
    testing::AcquisitionFixture().write(folder_,
                                        testing::everyMinute(100, [](int, int) { return 2; }));
    report_.openOn(folder_);
    report_.Cmb_binsize.text = "120";
    report_.Cmd_generate_Click();
    EXPECT_EQ(report_.Cmb_binsize.text, "90");
    ASSERT_EQ(ui_.opened.size(), 1u);
    EXPECT_EQ(ui_.opened[0].path, (folder_ / "report.csv").string());
}

TEST_F(ReportWindowsTest, AnalyzeRawDataNeedsRawFilesAndNoRun) {
    testing::writePlateFormat(dir_.path(), "w96f");
    testing::AcquisitionFixture().write(folder_,
                                        testing::everyMinute(5, [](int, int) { return 0; }));
    report_.openOn(folder_);
    report_.mn_analyzeraw_Click();
    EXPECT_EQ(ui_.messages, std::vector<std::string>{"Real Time Data Not Found"});
    EXPECT_FALSE(report_.Frame_reanalysis.visible);

    recordRun(3);
    bool running = true;
    report_.runActive = [&] { return running; };
    report_.mn_analyzeraw_Click();
    EXPECT_FALSE(report_.Frame_reanalysis.visible);
    running = false;
    report_.mn_analyzeraw_Click();
    EXPECT_TRUE(report_.Frame_reanalysis.visible);
    EXPECT_EQ(ui_.messages.size(), 1u);
}

TEST_F(ReportWindowsTest, RunShowsEveryBlockAndWritesTheReport) {
    recordRun(9);
    report_.openOn(folder_);
    report_.mn_analyzeraw_Click();
    report_.Cmb_binsize.text = "1";
    report_.Chk_replacedata.checked = true;
    std::vector<bool> runEnabled;
    std::vector<std::string> labels;
    ui_.duringEvents = [&](int) {
        labels.push_back(report_.frmlbl_status.text);
        runEnabled.push_back(report_.cmd_runframe.enabled && report_.Cmd_generate.enabled);
    };
    report_.cmd_runframe_Click();
    EXPECT_EQ(labels.front(), "Block 0/9");
    EXPECT_EQ(labels.back(), "Saving...");
    EXPECT_EQ(report_.frmlbl_status.text, "Block 9/9");
    EXPECT_EQ(report_.Cmb_binsize.text, "2");  // the box below 2 is raised to 2
    EXPECT_TRUE(fs::exists(folder_ / "counts.bak"));
    ASSERT_EQ(ui_.opened.size(), 1u);
    EXPECT_EQ(ui_.opened[0].path, (folder_ / "report.csv").string());
    // Events passed while the run went on, with nothing but STOP to start meanwhile.
    ASSERT_FALSE(runEnabled.empty());
    EXPECT_EQ(std::count(runEnabled.begin(), runEnabled.end(), true), 0);
    EXPECT_TRUE(report_.cmd_runframe.enabled);
    EXPECT_TRUE(report_.Cmd_generate.enabled);
    EXPECT_TRUE(ui_.messages.empty()) << ui_.messages.front();
}

TEST_F(ReportWindowsTest, StopEndsTheRunAtTheNextRecord) {
    recordRun(25);
    const std::string before = testing::readBytes(countsFilePath(folder_));
    report_.openOn(folder_);
    report_.mn_analyzeraw_Click();
    report_.Chk_replacedata.checked = true;
    // Events pass before the first record and then every 40 ms, here every fourth record.
    ui_.duringEvents = [&](int pumps) {
        if (pumps == 3) {
            report_.cmd_stopframe_Click();
        }
    };
    report_.cmd_runframe_Click();
    EXPECT_EQ(ui_.eventPumps, 3);
    EXPECT_EQ(report_.frmlbl_status.text, "Block 8/25");
    EXPECT_EQ(testing::readBytes(countsFilePath(folder_)), before);
    EXPECT_FALSE(fs::exists(folder_ / "counts.bak"));
    EXPECT_FALSE(fs::exists(folder_ / "report.csv"));
    EXPECT_TRUE(ui_.opened.empty());
}

TEST_F(ReportWindowsTest, AShortDataLapseIsFiveMinutes) {
    recordRun(30);
    report_.openOn(folder_);
    report_.mn_analyzeraw_Click();
    report_.frmtxt_datalapse.text = "0,01";
    report_.cmd_runframe_Click();
    EXPECT_EQ(report_.frmtxt_datalapse.text, "0.08");
    // Stamps of 15-second blocks: minute 5 is reached at block 21.
    EXPECT_EQ(report_.frmlbl_status.text, "Block 21/25");

    report_.frmtxt_datalapse.text = "600";
    report_.cmd_runframe_Click();
    EXPECT_EQ(ui_.messages.back(), "Invalid value: 0.08 to 546");
}

}  // namespace
}  // namespace qv

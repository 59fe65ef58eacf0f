// The browser's kinetic group tags, tagged series, signal export and path tracking, driven
// through the window's own handlers as the user reaches them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "analysis/activity_files.h"
#include "common/list_separator.h"
#include "offline/offline_series.h"
#include "offline/offline_tracking.h"
#include "offline/series/joint_report.h"
#include "offline/series/path_tracking.h"
#include "offline/series/series_fixture.h"
#include "offline_fixture.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using Op = RecordingCanvas::Op;
using testing::blockWith;
using testing::byGroup;
using testing::everyMinute;
using testing::OfflineFixture;
using testing::readBytes;

std::set<std::string> textsOn(const RecordingCanvas& canvas) {
    std::set<std::string> texts;
    for (const auto& t : canvas.callsOf(Op::Text)) {
        texts.insert(t.text);
    }
    return texts;
}

std::vector<fs::path> filesIn(const fs::path& folder, const std::string& prefix) {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(folder)) {
        if (e.path().filename().string().rfind(prefix, 0) == 0) {
            out.push_back(e.path());
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Project p00002 with three acquisitions: 30 and 42 hours after the first, 10, 20 and 40
// records long.
struct TaggedProject : OfflineFixture {
    TaggedProject() {
        project("p00002", "Beta");
        acquisition("p00002", "20240614_1530", "day 1", everyMinute(9, byGroup));
        acquisition("p00002", "20240615_2130", "day 2", everyMinute(19, byGroup));
        acquisition("p00002", "20240616_0930", "day 3", everyMinute(39, byGroup));
        open();
        openRow("p00002");
    }
    void selectRows(const std::vector<std::string>& times) {
        window.Listpj.selectedRows.clear();
        for (const std::string& t : times) {
            window.Listpj.selectedRows.push_back(rowWith("ACQ" + t));
        }
        window.Listpj.listIndex = window.Listpj.selectedRows.front();
    }
    std::string tagsFile() const { return readBytes(dir / "p00002" / "tags_id.dat"); }
};

TEST(OfflineSeriesWindow, TagsEverySelectedRowOnceAndClearsThem) {
    TaggedProject f;
    f.selectRows({"15:30", "21:30"});
    f.window.Listpj_RightClick();
    EXPECT_EQ(f.window.popupMenu, "mnpj");
    EXPECT_TRUE(f.window.mntag_jk.enabled);
    f.window.tagjk_Click(2);
    f.window.tagjk_Click(2);  // twice: still one [K2] each
    EXPECT_EQ(f.tagsFile(), "20240614_1530 [K2]\r\n20240615_2130 [K2]\r\n");
    EXPECT_GE(f.rowWith("\t\t[K2]"), 0) << "the list shows the tags again";
    EXPECT_EQ(f.window.Listpj.listIndex, f.rowWith("ACQ15:30")) << "the row stays selected";

    f.selectRows({"21:30"});
    f.window.tagjk_Click(0);
    f.window.tagjk_Click(4);
    EXPECT_EQ(f.tagsFile(), "20240614_1530 [K2]\r\n20240615_2130\r\n20240615_2130 [K4]\r\n");

    // On a project row the menu entry is off, and an entry reached anyway only says why.
    f.select(f.rowWith("p00002"));
    f.window.Listpj_RightClick();
    EXPECT_FALSE(f.window.mntag_jk.enabled);
    f.window.tagjk_Click(1);
    EXPECT_EQ(f.ui.messages.back(), "Tags Apply only to Subprojects (acquisitions)");
    EXPECT_EQ(f.tagsFile(), "20240614_1530 [K2]\r\n20240615_2130\r\n20240615_2130 [K4]\r\n");
}

TEST(OfflineSeriesWindow, ATagThatCannotBeWrittenIsSaid) {
    TaggedProject f;
    fs::create_directory(f.dir / "p00002" / "tags_id.dat");
    f.selectRows({"15:30"});
    f.window.tagjk_Click(3);
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0], "The tag of 20240614_1530 could not be written into " +
                                    (f.dir / "p00002" / "tags_id.dat").string());
}

TEST(OfflineSeriesWindow, TheOpenedAcquisitionsTagListFollowsItsTags) {
    TaggedProject f;
    f.openRow("ACQ15:30");
    EXPECT_FALSE(f.window.List_tags.visible);
    f.selectRows({"15:30"});
    f.window.tagjk_Click(1);
    f.window.tagjk_Click(3);
    EXPECT_TRUE(f.window.List_tags.visible);
    EXPECT_EQ(f.window.List_tags.items, (std::vector<std::string>{"[K1]", "[K3]"}));
}

TEST(OfflineSeriesWindow, ATagOpensItsSeriesInStartOrderAndExportsIt) {
    TaggedProject f;
    f.selectRows({"15:30", "21:30"});
    f.window.tagjk_Click(2);
    f.openRow("ACQ15:30");
    ASSERT_EQ(f.window.List_tags.items, std::vector<std::string>{"[K2]"});
    f.window.List_tags.listIndex = 0;
    f.window.txt_binsize.text = "17";
    f.window.List_tags_DblClick();

    const auto& series = f.window.series().series();
    ASSERT_TRUE(series.has_value());
    EXPECT_EQ(series->acquisitions, (std::vector<std::string>{"20240614_1530", "20240615_2130"}));
    EXPECT_EQ(series->unit, "h");
    EXPECT_EQ(series->timeLabels, (std::vector<std::string>{"0.0", "30.0"}));
    EXPECT_EQ(f.window.plots().mode(), PlotMode::Lines);
    EXPECT_TRUE(f.window.mnrel0.visible);
    EXPECT_EQ(f.window.txt_binsize.text, "5");
    const auto texts = textsOn(f.canvas);
    EXPECT_TRUE(texts.count("[K2] Kinetics PLOT"));
    EXPECT_TRUE(texts.count("Time[h]"));

    // Its own menu on the picture: relativize, the picture and the joint report.
    f.window.Picreal_Mouse({MouseEvent::Kind::Up, 500, 300, 2});
    EXPECT_EQ(f.window.popupMenu, "MnRelativize");
    f.window.mnrel0.checked = true;  // the menu ticks it
    f.window.mnrel0_Click();
    ASSERT_TRUE(f.window.series().series()->relative);
    EXPECT_EQ(f.window.series().series()->values[0][0], 100);

    std::vector<fs::path> saved;
    f.window.saveBitmap = [&](const fs::path& p) {
        saved.push_back(p);
        return true;
    };
    f.window.mn_jointbmp_Click();
    EXPECT_EQ(saved.front(), f.dir / "image1.bmp");
    EXPECT_TRUE(fs::exists(f.dir / "image1.svg"));

    f.window.mn_jointexport_Click();
    const auto reports = filesIn(f.dir / "p00002", "joint_report");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(f.ui.opened.back().path, reports[0].string());
    const std::string csv = readBytes(reports[0]);
    const std::string s = jointReportSeparatorOf(f.dir.path(), f.ui);
    EXPECT_NE(csv.find("Acq:" + s + "20240614_1530" + s + "20240615_2130\r\n"), std::string::npos)
        << csv;
    EXPECT_NE(csv.find("Group/Time[h]" + s + "0.0" + s + "30.0\r\n"), std::string::npos) << csv;
    // Twice the records in the second run: twice the activity, in percent of the first.
    EXPECT_NE(csv.find("[#000]" + s + "100" + s + "200\r\n"), std::string::npos) << csv;

    // The plain line plot takes the picture back, with the line plot's menu.
    f.window.Cmd_lineplot_Click();
    EXPECT_FALSE(f.window.series().shown());
    f.window.Picreal_Mouse({MouseEvent::Kind::Up, 500, 300, 2});
    EXPECT_EQ(f.window.popupMenu, "Mnline");
}

TEST(OfflineSeriesWindow, AMemberWithoutActivityIsReportedAndLeftOut) {
    TaggedProject f;
    f.selectRows({"15:30", "21:30"});
    f.window.tagjk_Click(1);
    fs::remove(f.dir / "p00002" / "20240615_2130" / "counts.bin");
    f.openRow("ACQ15:30");
    f.window.List_tags.listIndex = 0;
    f.window.List_tags_DblClick();
    ASSERT_TRUE(f.window.series().shown());
    EXPECT_EQ(f.window.series().series()->points(), 1u);
    EXPECT_EQ(f.ui.messages.back(),
              "Activity file not Found into " + (f.dir / "p00002" / "20240615_2130").string());
}

// --- Path tracking

// A 6-well plate of zebrafish with two blocks of raw samples in which the animal of the first
// well moves two beam rows, and an acquisition of the same project on a 96-well plate.
struct TrackedAcquisition : OfflineFixture {
    fs::path acq;
    int from = 0;
    TrackedAcquisition() {
        project("p00003", "Fish");
        testing::AcquisitionFixture fish;
        fish.plateFormat = "w6";
        fish.organism = 1;
        fish.groupNames = {"Dose0", "Dose1", "Dose2", "Dose3", "Dose4", "Dose5"};
        acq = acquisition("p00003", "20240614_1530", "fish", everyMinute(2, byGroup), fish);
        PlateFormat plate;
        EXPECT_TRUE(loadPlateFormatWithoutFallback(dir.path(), "w6", plate).ok);
        for (int c = 0; c < 384; ++c) {
            if (plate.wellOfChannel[c] == 0 && plate.wellOfChannel[c + 2] == 0) {
                from = c;
                break;
            }
        }
        EXPECT_TRUE(appendRawBlock(acq, 0, blockWith({{from, 100}, {from + 2, 300}})));
        EXPECT_TRUE(appendRawBlock(acq, 0, blockWith({})));
        acquisition("p00003", "20240614_1700", "plate", everyMinute(2, byGroup));
        open();
        openRow("p00003");
    }
    void play(int ticks) {
        for (int i = 0; i < ticks && window.Timer_play.enabled; ++i) {
            window.Timer_play_Timer();
        }
    }
};

TEST(OfflineTrackingWindow, OfferedForTheSixWellPlateOfZebrafishOnly) {
    TrackedAcquisition f;
    f.openRow("ACQ17:00");
    EXPECT_FALSE(f.window.cmd_track.visible);
    f.openRow("ACQ15:30");
    EXPECT_TRUE(f.window.cmd_track.visible);
    EXPECT_FALSE(f.window.chk_bmp.visible);
}

TEST(OfflineTrackingWindow, PlaysPausesAndWritesTheTableAtTheEnd) {
    TrackedAcquisition f;
    f.openRow("ACQ15:30");
    f.window.cmd_track_Click();
    ASSERT_EQ(f.window.plots().mode(), PlotMode::Tracking)
        << ::testing::PrintToString(f.ui.messages);
    EXPECT_TRUE(f.window.Timer_play.enabled);
    EXPECT_TRUE(f.window.chk_bmp.visible);
    EXPECT_FALSE(f.window.txt_binsize.visible);
    EXPECT_EQ(f.window.Txtpage.text, "0/1000");

    f.play(150);
    EXPECT_EQ(f.window.Txtpage.text, "150/1000");
    f.window.cmd_track_Click();  // pause
    EXPECT_FALSE(f.window.Timer_play.enabled);
    f.window.cmd_track_Click();  // and on
    EXPECT_TRUE(f.window.Timer_play.enabled);
    f.window.Picreal_Mouse({MouseEvent::Kind::Up, 500, 300, 2});
    EXPECT_EQ(f.window.popupMenu, "MnTrack");
    EXPECT_TRUE(textsOn(f.canvas).count("0mm"));

    f.play(2000);
    EXPECT_FALSE(f.window.Timer_play.enabled);
    const PathTracker* tracker = f.window.tracking().tracker();
    ASSERT_NE(tracker, nullptr);
    EXPECT_TRUE(tracker->finished());
    EXPECT_DOUBLE_EQ(tracker->wells()[0].distance, 2.0);
    ASSERT_TRUE(fs::exists(f.acq / "report.csv"));
    EXPECT_EQ(f.ui.opened.back().path, (f.acq / "report.csv").string());
    EXPECT_TRUE(textsOn(f.canvas).count("9mm"));
}

TEST(OfflineTrackingWindow, ExportDataRunsTheRestAndRewinds) {
    TrackedAcquisition f;
    f.openRow("ACQ15:30");
    f.window.cmd_track_Click();
    f.play(10);
    fs::create_directories(f.acq / "report.csv");  // the first name is taken
    f.window.mn_datatrack_Click();
    EXPECT_FALSE(f.window.Timer_play.enabled);
    EXPECT_EQ(f.window.plots().mode(), PlotMode::AfterTrackingExport);
    const std::string table = readBytes(f.acq / "report_1.csv");
    const std::string sep = systemListSeparator();
    EXPECT_NE(table.find("\"000_Dose0\"" + sep + "9" + sep + "0"), std::string::npos) << table;
    EXPECT_EQ(f.window.tracking().tracker()->block(), 0) << "rewound";
    // Pressed again after the export, the replay starts anew.
    f.window.cmd_track_Click();
    EXPECT_EQ(f.window.plots().mode(), PlotMode::Tracking);
    EXPECT_TRUE(f.window.Timer_play.enabled);
}

TEST(OfflineTrackingWindow, FramesAreSavedByFiveDigitSamplePosition) {
    TrackedAcquisition f;
    f.openRow("ACQ15:30");
    f.window.chk_bmp.checked = true;
    f.window.cmd_track_Click();
    EXPECT_TRUE(fs::is_directory(f.acq / "bmp"));
    f.play(3);
    EXPECT_EQ(filesIn(f.acq / "bmp", ""),
              (std::vector<fs::path>{f.acq / "bmp" / "00000.bmp", f.acq / "bmp" / "00001.bmp",
                                     f.acq / "bmp" / "00002.bmp"}));
    EXPECT_EQ(readBytes(f.acq / "bmp" / "00000.bmp").substr(0, 2), "BM");

    // A frame that cannot be saved is said once and the replay goes on without frames.
    f.window.saveBitmap = [](const fs::path&) { return false; };
    f.play(5);
    EXPECT_EQ(f.window.tracking().unsavedFrames(), 1);
    EXPECT_FALSE(f.window.chk_bmp.checked);
    EXPECT_EQ(f.window.Txtpage.text, "8/1000");
}

TEST(OfflineTrackingWindow, WithoutActivityFileNothingStarts) {
    TrackedAcquisition f;
    fs::remove(f.acq / "counts.bin");
    f.openRow("ACQ15:30");
    f.window.cmd_track_Click();
    EXPECT_EQ(f.ui.messages.back(), "Activity file not Found");
    EXPECT_FALSE(f.window.Timer_play.enabled);
    EXPECT_NE(f.window.plots().mode(), PlotMode::Tracking);
    f.window.Timer_play_Timer();  // a stray tick does nothing
    EXPECT_EQ(f.window.tracking().tracker(), nullptr);
}

TEST(OfflineTrackingWindow, AnotherPlotEndsTheReplay) {
    TrackedAcquisition f;
    f.openRow("ACQ15:30");
    f.window.cmd_track_Click();
    f.play(5);
    f.window.Cmd_barplot_Click();
    EXPECT_FALSE(f.window.Timer_play.enabled);
    EXPECT_EQ(f.window.tracking().tracker(), nullptr);
    EXPECT_FALSE(f.window.chk_bmp.visible);
    EXPECT_TRUE(f.window.txt_binsize.visible);
    EXPECT_TRUE(f.window.cmd_plus.visible);
}

// --- Export to ASCII

TEST(OfflineSignalExport, WritesThePageTheSignalViewShowsAndNothingElsewhere) {
    TrackedAcquisition f;
    f.openRow("ACQ15:30");
    f.window.Cmd_barplot_Click();
    f.window.asciiexporta_Click();
    EXPECT_FALSE(fs::exists(f.dir / "datafile.txt"));
    f.window.cmdchannels_Click();
    f.window.asciiexporta_Click();
    const std::string table = readBytes(f.dir / "datafile.txt");
    EXPECT_NE(table.find("Well: A1 Page[1/1] [#0k-25k]"), std::string::npos)
        << table.substr(0, 200);
    EXPECT_EQ(f.ui.opened.back().kind, ExternalKind::TextViewer);
}

}  // namespace
}  // namespace qv

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "analysis/activity_files.h"
#include "analysis/report_records.h"
#include "common/svg_canvas.h"
#include "offline/offline_activity.h"
#include "offline/offline_drawing.h"
#include "offline/offline_signal.h"
#include "offline_fixture.h"
#include "setup/group_layout.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using Op = RecordingCanvas::Op;
using testing::byGroup;
using testing::everyMinute;
using testing::makeRecords;
using testing::OfflineFixture;
using testing::readBytes;
using testing::writeBytes;

std::array<std::int16_t, kChannelSlots> groupsOf(const std::function<int(int)>& g) {
    std::array<std::int16_t, kChannelSlots> out{};
    for (int c = 0; c < kChannelSlots; ++c) {
        out[c] = static_cast<std::int16_t>(g(c));
    }
    return out;
}

std::vector<RecordingCanvas::Call> linesIn(const RecordingCanvas& cv, Color c) {
    std::vector<RecordingCanvas::Call> out;
    for (const auto& call : cv.callsOf(Op::Line)) {
        if (call.color == c) {
            out.push_back(call);
        }
    }
    return out;
}

TEST(OfflineActivity, BinsGroupMeansOverTimeAsTheLinePlotDoes) {
    testing::TempDir dir;
    writeBytes(dir / "counts.bin", testing::encodeCounts(everyMinute(44, byGroup)));
    const auto groups = groupsOf([](int c) { return c / 128; });
    const auto a = binActivity(dir / "counts.bin", groups, 5, true);
    ASSERT_TRUE(a);
    // 44 / 5 = 8.8 rounds to 9, plus one: the last bin starts after the last record.
    EXPECT_EQ(a->bins, 10);
    EXPECT_EQ(a->at(0, 1), 10);  // five records of 2 counts per channel
    EXPECT_EQ(a->at(1, 9), 20);
    EXPECT_EQ(a->at(2, 4), 0);
    EXPECT_EQ(a->records[1], 5);
    EXPECT_EQ(a->records[10], 0);
    EXPECT_EQ(a->largest, 20);
    EXPECT_EQ(a->groupsInUse(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(a->at(7, 1), 0);  // a group without channels
    EXPECT_EQ(a->at(kFreeSlot, 1), 0);

    const auto whole = binActivity(dir / "counts.bin", groups, 5, false);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->bins, 1);
    EXPECT_EQ(whole->at(1, 1), 45 * 4);
}

TEST(OfflineActivity, RecordsOfFifteenSecondBlocksAndAPauseLandInTheBinsOfTheirMinutes) {
    testing::TempDir dir;
    // Four records a minute for minutes 0..9, a pause, then minutes 20..24.
    std::vector<int> minutes;
    for (int m = 0; m < 25; ++m) {
        if (m < 10 || m >= 20) {
            minutes.insert(minutes.end(), 4, m);
        }
    }
    writeBytes(dir / "counts.bin",
               testing::encodeCounts(makeRecords(minutes, [](int, int) { return 1; })));
    const auto a =
        binActivity(dir / "counts.bin", groupsOf([](int c) { return c / 128; }), 5, true);
    ASSERT_TRUE(a);
    ASSERT_EQ(a->bins, 6);  // 24 / 5 rounds to 5, plus one
    EXPECT_EQ(a->records, (std::vector<int>{0, 20, 20, 0, 0, 20, 0}));
    EXPECT_EQ(a->at(0, 1), 20);
    EXPECT_EQ(a->at(0, 2), 20);
    EXPECT_EQ(a->at(0, 5), 20);
    // The line passes over the pause instead of dropping to zero there.
    const SeriesPlot plot = lineSeries(*a, {0});
    EXPECT_EQ(plot.present, (std::vector<bool>{true, true, false, false, true, false}));
}

TEST(OfflineActivity, GroupMeansRoundHalfToEvenAndFreeChannelsShareASlot) {
    testing::TempDir dir;
    // Group 3 holds channels 0 and 1, group 5 channels 2 and 3, the rest is free or no group.
    const auto groups = groupsOf([](int c) { return c < 2 ? 3 : c < 4 ? 5 : c < 10 ? 999 : -1; });
    const auto counts = [](int, int c) {
        return c == 0 ? 1 : c == 1 ? 2 : c == 2 ? 2 : c == 3 ? 3 : 1;
    };
    writeBytes(dir / "counts.bin", testing::encodeCounts(makeRecords({0}, counts)));
    const auto a = binActivity(dir / "counts.bin", groups, 5, false);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->at(3, 1), 2);  // 1.5
    EXPECT_EQ(a->at(5, 1), 2);  // 2.5
    EXPECT_EQ(a->channels[kFreeSlot], kChannels - 4);
    EXPECT_EQ(a->at(kFreeSlot, 1), 1);
    EXPECT_EQ(a->groupsInUse(), (std::vector<int>{3, 5, kFreeSlot}));
}

// A damaged record's stamp (the largest 32-bit number, or a negative one) would size the line
// plot to hundreds of millions of bins: such records are left out and counted, and the
// browser says so once for the opened acquisition.
TEST(OfflineActivity, RecordsWithAnImpossibleStampAreLeftOutAndSaid) {
    testing::TempDir dir;
    auto records = everyMinute(9, byGroup);
    records[3].minutes = 2147483647;
    records[6].minutes = -5;
    writeBytes(dir / "counts.bin", testing::encodeCounts(records));
    const auto groups = groupsOf([](int c) { return c / 128; });
    for (const int binSize : {1, 5}) {
        const auto a = binActivity(dir / "counts.bin", groups, binSize, true);
        ASSERT_TRUE(a);
        EXPECT_EQ(a->ignoredRecords, 2u);
        EXPECT_EQ(a->largestTime, 9);
        EXPECT_EQ(a->bins, binSize == 1 ? 10 : 3);
    }
    const auto whole = binActivity(dir / "counts.bin", groups, 5, false);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->at(1, 1), 8 * 4);  // the eight records left, four counts each

    OfflineFixture f;
    f.project("p00002", "Beta");
    f.acquisition("p00002", "20240614_1530", "damaged", records);
    f.open();
    f.openAcquisition("p00002", "15:30");
    f.window.Cmd_lineplot_Click();
    f.window.Cmd_barplot_Click();
    EXPECT_EQ(f.window.plots().mode(), PlotMode::Bars);
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0],
              "2 record(s) of " + (f.dir / "p00002" / "20240614_1530" / "counts.bin").string() +
                  " carry an impossible time stamp and are left out of the plots.");
}

TEST(OfflineActivity, UnreadableOrPartialCountsFiles) {
    testing::TempDir dir;
    const auto groups = groupsOf([](int c) { return c / 128; });
    EXPECT_FALSE(binActivity(dir / "counts.bin", groups, 5, true));
    EXPECT_FALSE(channelTotals(dir / "counts.bin"));
    writeBytes(dir / "counts.bin", "");
    const auto empty = binActivity(dir / "counts.bin", groups, 5, true);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->bins, 1);
    EXPECT_EQ(empty->largest, 0);
    // A record cut short at the end (a run stopped while writing) is left out.
    std::string bytes = testing::encodeCounts(everyMinute(2, byGroup));
    bytes.resize(bytes.size() - 100);
    writeBytes(dir / "counts.bin", bytes);
    const auto totals = channelTotals(dir / "counts.bin");
    ASSERT_TRUE(totals);
    EXPECT_EQ((*totals)[0], 4);
    EXPECT_EQ(recordMinutes(dir / "counts.bin"), (std::vector<std::int32_t>{0, 1}));
}

TEST(OfflineActivity, BinSizeButtons) {
    EXPECT_EQ(initialBinSize(59), 5);
    EXPECT_EQ(initialBinSize(60), 30);
    EXPECT_EQ(binSpan(2, 5), 30);
    EXPECT_EQ(binSpan(13, 5), 60);
    // "+"
    EXPECT_EQ(binSizeUp(4, 600), 5);
    EXPECT_EQ(binSizeUp(10, 600), 15);
    EXPECT_EQ(binSizeUp(25, 600), 30);
    EXPECT_EQ(binSizeUp(35, 700), 50);  // 40 and 45 do not divide 700
    EXPECT_EQ(binSizeUp(300, 600), 120);
    EXPECT_EQ(binSizeUp(30, 40), 20);  // never above half the span
    // "-"
    EXPECT_EQ(binSizeDown(7, 70), 7);  // typed 7 on a span that 7 divides stays
    EXPECT_EQ(binSizeDown(3, 600), 5);
    EXPECT_EQ(binSizeDown(200, 600), 120);
    EXPECT_EQ(binSizeDown(30, 70), 10);
    EXPECT_EQ(binSizeDown(60, 70), 35);
    EXPECT_EQ(binSizeDown(10, 33), 5);  // never below 5
}

// An opened acquisition of the fixture's three groups, 45 minutes of counts.
struct OpenedRun : OfflineFixture {
    explicit OpenedRun(const std::function<int(int, int)>& count = byGroup, int lastMinute = 44) {
        project("p00002", "Beta");
        acquisition("p00002", "20240614_1530", "larvae day", everyMinute(lastMinute, count));
        open();
        openAcquisition("p00002", "15:30");
    }
};

TEST(OfflinePlots, LinePlotDrawsOneLinePerGroupThroughItsBins) {
    OpenedRun f;
    f.window.Cmd_lineplot_Click();
    EXPECT_EQ(f.window.plots().mode(), PlotMode::Lines);
    EXPECT_EQ(f.window.txt_binsize.text, "5");  // lapse of 30 minutes
    const auto group1 = linesIn(f.canvas, seriesColor(1));
    // Nine bins with records: eight segments, from (0, 20) to (40, 20).
    ASSERT_EQ(group1.size(), 8u);
    EXPECT_EQ(group1.front().x1, 0);
    EXPECT_EQ(group1.front().y1, 20);
    EXPECT_EQ(group1.back().x2, 40);
    EXPECT_EQ(group1.back().y2, 20);
    EXPECT_EQ(group1.front().lineWidth, 2);
    const auto group0 = linesIn(f.canvas, seriesColor(0));
    ASSERT_EQ(group0.size(), 8u);
    EXPECT_EQ(group0[3].y2, 10);
    std::set<std::string> texts;
    for (const auto& t : f.canvas.callsOf(Op::Text)) {
        texts.insert(t.text);
    }
    for (const char* t : {"Line PLOT", "Time[min]", " [#000]", " [#001]", " [#002]", " [#999]"}) {
        EXPECT_TRUE(texts.count(t)) << t;
    }
    // Groups 2 and the free channels end at 0: their labels are moved apart.
    double free = 0, two = 0;
    for (const auto& t : f.canvas.callsOf(Op::Text)) {
        free = t.text == " [#999]" ? t.y1 : free;
        two = t.text == " [#002]" ? t.y1 : two;
    }
    EXPECT_GE(std::abs(free - two), f.canvas.textHeight() * 0.99);

    // Only the chosen groups: the plot list's second entry is group 0.
    f.window.lstgrup_plot.selectedRows = {1};
    f.window.lstgrup_plot_DblClick();
    EXPECT_EQ(linesIn(f.canvas, seriesColor(1)).size(), 0u);
    EXPECT_EQ(linesIn(f.canvas, seriesColor(0)).size(), 8u);

    // A long run opens at 30-minute bins; "+" and "-" step from the box's value.
    f.window.item().setup.Aq_lapse = 120;
    f.window.Cmd_lineplot_Click();
    EXPECT_EQ(f.window.txt_binsize.text, "30");
    f.window.txt_binsize.text = "10";
    f.window.cmd_plus_Click();
    EXPECT_EQ(f.window.txt_binsize.text, "15");  // two bins of 30: a span of 30, half is 15
    EXPECT_EQ(f.window.plots().lines()->binSize, 15);
    EXPECT_EQ(f.window.plots().lines()->bins, 4);
    f.window.cmd_minus_Click();  // a span of 45: 10 does not divide it, 5 does
    EXPECT_EQ(f.window.txt_binsize.text, "5");
    EXPECT_EQ(f.window.plots().lines()->bins, 10);
}

TEST(OfflinePlots, BarPlotHeightsAreGroupMeansOnAScaleOfOnePointTwoTimesTheLargest) {
    OpenedRun f;
    f.window.txt_binsize.text = "17";
    f.window.Cmd_barplot_Click();
    EXPECT_EQ(f.window.txt_binsize.text, "5");
    EXPECT_EQ(f.window.plots().mode(), PlotMode::Bars);
    const auto bars = f.canvas.callsOf(Op::FilledBox);
    // Groups 0, 1, 2, then the free channels (none: a bar of height 0).
    ASSERT_EQ(bars.size(), 4u);
    EXPECT_EQ(bars[0].y2, 90);
    EXPECT_EQ(bars[1].y2, 180);
    EXPECT_EQ(bars[2].y2, 0);
    EXPECT_EQ(bars[3].y2, 0);
    EXPECT_EQ(bars[0].color, (Color{200, 200, 200}));
    EXPECT_EQ(bars[1].color, (Color{220, 220, 220}));
    const auto outlines = f.canvas.callsOf(Op::Box);
    ASSERT_EQ(outlines.size(), 4u);
    EXPECT_EQ(outlines[1].color, colors::black);
    const auto axes = linesIn(f.canvas, Color{128, 128, 128});
    ASSERT_GE(axes.size(), 2u);
    EXPECT_DOUBLE_EQ(axes[1].y2, 180 * 1.2);
    std::set<std::string> texts;
    for (const auto& t : f.canvas.callsOf(Op::Text)) {
        texts.insert(t.text);
    }
    EXPECT_TRUE(texts.count("0"));
    EXPECT_TRUE(texts.count("180"));
    EXPECT_TRUE(texts.count(" Microplate format: [w96f]"));
}

// The darkest and the palest bar of the heat map, by grey level.
struct HeatBars {
    std::vector<RecordingCanvas::Call> bars;
    explicit HeatBars(const RecordingCanvas& cv) : bars(cv.callsOf(Op::FilledBox)) {}
    std::set<int> levels() const {
        std::set<int> out;
        for (const auto& b : bars) {
            EXPECT_EQ(b.color.r, b.color.g);
            out.insert(b.color.r);
        }
        return out;
    }
};

TEST(OfflinePlots, HeatMapShadesWellsByTheirShareOfTheBusiestAtLeast255) {
    // No activity: every well white, none drawn taller than nothing.
    OpenedRun quiet([](int, int) { return 0; });
    quiet.window.Cmd_gridplot_Click();
    EXPECT_EQ(quiet.window.plots().mode(), PlotMode::HeatMap);
    const HeatBars still(quiet.canvas);
    EXPECT_EQ(still.bars.size(), 96u);  // every well of the 96-well plate has a group
    EXPECT_EQ(still.levels(), std::set<int>{255});

    // Well A1 (channels 0 and 16) 1000 counts, B1 (channel 2) 500, the rest nothing.
    OpenedRun busy([](int, int c) { return c == 0 ? 100 : c == 2 ? 50 : 0; }, 9);
    busy.window.Cmd_gridplot_Click();
    const HeatBars heat(busy.canvas);
    EXPECT_EQ(heat.levels(), (std::set<int>{0, 127, 255}));
    const PlateFormat& plate = busy.window.item().plate;
    const double cellH = plate.rowPitch * 100;
    for (const auto& b : heat.bars) {
        if (b.color.r == 127) {
            EXPECT_NEAR(std::abs(b.y2 - b.y1), cellH * 0.5, 1e-9);
        }
    }

    // Under the 255 floor a single busy well is not black.
    EXPECT_EQ(heatLevel(100, 100), 155);
    EXPECT_EQ(heatLevel(0, 0), 255);
    EXPECT_EQ(heatLevel(1000, 1000), 0);
}

TEST(OfflinePlots, RightClickOffersTheMenuOfThePlotShown) {
    OpenedRun f;
    const MouseEvent right{MouseEvent::Kind::Up, 10, 10, 2};
    f.window.Picreal_Mouse(right);
    EXPECT_EQ(f.window.popupMenu, "");  // nothing shown yet
    f.window.Cmd_barplot_Click();
    f.window.Picreal_Mouse(right);
    EXPECT_EQ(f.window.popupMenu, "MnExporta");
    f.window.Cmd_lineplot_Click();
    f.window.Picreal_Mouse(right);
    EXPECT_EQ(f.window.popupMenu, "Mnline");
    f.window.Cmd_gridplot_Click();
    f.window.Picreal_Mouse(right);
    EXPECT_EQ(f.window.popupMenu, "Mnplate");
}

TEST(OfflinePlots, ExportSavesTheBitmapThroughTheWindowWithPngAndSvgBeside) {
    OpenedRun f;
    std::vector<fs::path> saved;
    f.window.saveBitmap = [&](const fs::path& p) {
        saved.push_back(p);
        return true;
    };
    f.window.Cmd_barplot_Click();
    f.window.bmpexporta_Click();
    ASSERT_EQ(saved, (std::vector<fs::path>{f.dir / "image1.bmp", f.dir / "image1.png"}));
    const std::string svg = readBytes(f.dir / "image1.svg");
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_NE(svg.find("fill=\"rgb(200,200,200)\""), std::string::npos);
    EXPECT_NE(svg.find("Microplate format: [w96f]"), std::string::npos);
    ASSERT_EQ(f.ui.opened.size(), 1u);
    EXPECT_EQ(f.ui.opened[0].kind, ExternalKind::ImageViewer);

    f.window.saveBitmap = [](const fs::path&) { return false; };
    f.window.mn_linebmp_Click();
    EXPECT_EQ(f.ui.messages.back(), "lineimg.bmp could not be saved in " + f.dir.path().string());
    EXPECT_EQ(f.ui.opened.size(), 1u);
}

TEST(SvgCanvas, MapsLikeTheScreenAndEscapesText) {
    SvgCanvas svg(200, 100);
    svg.scale(0, 10, 10, 0);
    svg.line(0, 0, 10, 10, colors::red);
    svg.filledBox(0, 0, 5, 5, colors::blue);
    svg.text(0, 10, "a<b & \"c\"\x01 \xE9", colors::black);
    const std::string doc = svg.document();
    EXPECT_NE(doc.find("<line x1=\"0\" y1=\"99\" x2=\"199\" y2=\"0\" stroke=\"rgb(255,0,0)\""),
              std::string::npos)
        << doc;
    EXPECT_NE(doc.find(">a&lt;b &amp; &quot;c&quot; \xC3\xA9</text>"), std::string::npos) << doc;
    EXPECT_EQ(svg.shapes(), 3);
    testing::TempDir dir;
    ASSERT_TRUE(svg.save(dir / "p.svg"));
    EXPECT_EQ(readBytes(dir / "p.svg"), doc);
    svg.clear(colors::white);
    EXPECT_EQ(svg.shapes(), 0);
}

// A run recorded with raw samples: 51 blocks, so a second page holds one block.
struct RecordedAcquisition : OfflineFixture {
    fs::path folder;
    explicit RecordedAcquisition(int blocks) {
        project("p00002", "Beta");
        folder = dir / "p00002" / "20240614_1530";
        testing::RecordedRun run;
        run.blocks = blocks;
        run.write(folder);
        open();
        openAcquisition("p00002", "15:30");
    }
};

TEST(OfflineSignal, PagesOfFiftyBlocksShowTheRawSamplesOfTheChosenWell) {
    RecordedAcquisition f(51);
    f.window.Combofila.text = "B";
    f.window.Combocol.text = "3";
    f.window.Combofila_Click();
    const PlateFormat& plate = f.window.item().plate;
    const int well = (3 - 1) * plate.rows + 1;
    EXPECT_EQ(f.window.plots().currentWell(), well);
    EXPECT_EQ(f.window.lblcanal.text, std::to_string(plate.channelOf(well, 0)));

    f.window.cmdchannels_Click();
    EXPECT_EQ(f.window.cmdchannels.text, "[Channel Signal]");
    EXPECT_EQ(f.window.Cmd_leegroups.text, "Group Activity");
    EXPECT_EQ(f.window.Txtpage.text, "1/2");
    EXPECT_EQ(f.window.scrollpage.maximum, 2);
    const auto& page = f.window.plots().signalPage();
    ASSERT_TRUE(page);
    ASSERT_EQ(page->channels, channelsOfWellBeams(plate, well));
    ASSERT_EQ(page->channels.size(), 2u);
    const auto block7 = readRawBlock(rawFilePath(f.folder, 0), 500, 7);
    ASSERT_TRUE(block7);
    for (int s : {0, 250, 499}) {
        EXPECT_EQ(page->samples[1][7 * 500 + s], block7->at(page->channels[1], s));
    }

    f.window.scrollpage.value = 2;
    f.window.scrollpage_Change();
    EXPECT_EQ(f.window.Txtpage.text, "2/2");
    const auto& second = f.window.plots().signalPage();
    EXPECT_TRUE(second->blockRead[0]);
    EXPECT_FALSE(second->blockRead[1]);
    const auto block50 = readRawBlock(rawFilePath(f.folder, 50 / 11), 500, 50 % 11);
    EXPECT_EQ(second->samples[0][3], block50->at(page->channels[0], 3));
    std::set<std::string> texts;
    for (const auto& t : f.canvas.callsOf(Op::Text)) {
        texts.insert(t.text);
    }
    for (const char* t : {"100%", "  0%", "25k", "50k", "[sample]"}) {
        EXPECT_TRUE(texts.count(t)) << t;
    }

    // A well off the plate falls back to A1.
    f.window.Combofila.text = "K";
    f.window.Combofila_Click();
    EXPECT_EQ(f.window.Combofila.text, "A");
    EXPECT_EQ(f.window.Combocol.text, "1");
    EXPECT_EQ(f.window.plots().currentWell(), 0);

    f.window.Cmd_leegroups_Click();
    EXPECT_EQ(f.window.cmdchannels.text, "Channel Signal");
    EXPECT_EQ(f.window.Cmd_leegroups.text, "[Group Activity]");
    EXPECT_EQ(f.window.plots().mode(), PlotMode::Bars);
}

TEST(OfflineSignal, AnalyzeFindsTheRecordedCountsAgain) {
    RecordedAcquisition f(6);
    f.window.frmtxt_threshold.text = "9";  // out of range: the run's 1.8
    f.window.cmb_modeanalisis.listIndex = 1;
    f.window.Cmd_analyze_Click();
    EXPECT_EQ(f.window.frmtxt_threshold.text, "1.8");
    const auto& a = f.window.plots().wellAnalysis();
    ASSERT_TRUE(a);
    const auto counts = readCountsFile(countsFilePath(f.folder));
    ASSERT_TRUE(counts);
    // Four blocks a minute, each at its own quarter.
    EXPECT_EQ(a->minutes, (std::vector<double>{0, 0.25, 0.5, 0.75, 1, 1.25}));
    for (std::size_t beam = 0; beam < a->channels.size(); ++beam) {
        for (std::size_t k = 0; k < 6; ++k) {
            EXPECT_EQ(a->counts[beam][k], counts->records[k].counts[a->channels[beam]])
                << "beam " << beam << " block " << k;
        }
    }
    bool axis = false;
    for (const auto& t : f.canvas.callsOf(Op::Text)) {
        axis = axis || t.text == "Time(min)";
    }
    EXPECT_TRUE(axis);
    EXPECT_DOUBLE_EQ(offlineThreshold("2,5"), 2.5);
    EXPECT_DOUBLE_EQ(offlineThreshold("1.0"), 1.8);
    EXPECT_DOUBLE_EQ(offlineThreshold("abc"), 1.8);
}

TEST(OfflineSignal, AnAcquisitionWithoutRawFilesSaysSo) {
    OpenedRun f;
    f.window.cmdchannels_Click();
    EXPECT_EQ(f.window.Txtpage.text, "0/0");
    EXPECT_FALSE(f.window.plots().signalPage());
    f.window.Cmd_analyze_Click();
    EXPECT_EQ(f.ui.messages.back().rfind("No raw sample files", 0), 0u);
}

}  // namespace
}  // namespace qv

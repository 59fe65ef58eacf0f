#include "acquisition/live_display.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "common/scripted_ui.h"
#include "window_fixture.h"

namespace qv {
namespace {

using Op = RecordingCanvas::Op;
using Call = RecordingCanvas::Call;

// The live display over controls named as the main window names them, with recording
// canvases on both pictures and the plate and groups set up in memory.
struct Live {
    ScriptedUi ui;
    Store store{"/nonexistent-quorvel-folder", ui};
    LiveData data;
    Controls controls;
    RecordingCanvas act{800, 500};
    RecordingCanvas real{800, 150};
    std::optional<LiveDisplay> live;

    explicit Live(const std::string& plate = "w384") {
        EXPECT_TRUE(applyBuiltInPlateFormat(plate, store.plate()));
        buildMap(store.plate());
        controls.add("Picact", ControlKind::Picture).canvas = &act;
        controls.add("Picreal", ControlKind::Picture).canvas = &real;
        for (const char* name : {"Cmd_barplot", "Cmd_gridplot", "Cmd_histoplot", "cmd_pgdown",
                                 "cmd_pgup", "Cmdzoom_minus", "Cmdzoom_plus"}) {
            controls.add(name, ControlKind::Button);
        }
        controls.add("txtzoom", ControlKind::TextBox, "0");
        controls.add("lbl_temperature", ControlKind::Label);
    }

    // Every channel free except `channels`, which form group g.
    void group(int g, const std::vector<int>& channels) {
        store.setup().channelGroup.fill(-1);
        for (const int c : channels) {
            store.setup().channelGroup[c] = static_cast<std::int16_t>(g);
        }
    }

    LiveDisplay& display() {
        if (!live) {
            live.emplace(controls, data, store);
            live->loadProject();
        }
        return *live;
    }

    // Picks the group list entry that starts with `number` ("005"), as the user would.
    void choose(const std::string& number) {
        LiveDisplay& d = display();
        const auto it = std::find_if(d.combogrup.items.begin(), d.combogrup.items.end(),
                                     [&](const std::string& s) { return s.rfind(number, 0) == 0; });
        ASSERT_NE(it, d.combogrup.items.end()) << number;
        selectText(d.combogrup, *it);
        d.combogrup_Click();
    }

    // Fills the channel's samples 0.. from `values`.
    void samples(int channel, const std::vector<int>& values, int lineLevel = 0) {
        for (std::size_t s = 0; s < values.size(); ++s) {
            data.samples.at(channel, static_cast<int>(s)) = static_cast<std::int16_t>(values[s]);
            data.liveLine.at(channel, static_cast<int>(s)) = static_cast<std::int16_t>(lineLevel);
        }
    }
};

std::vector<Call> filledBoxes(const RecordingCanvas& cv) {
    return cv.callsOf(Op::FilledBox);
}

bool hasText(const RecordingCanvas& cv, const std::string& text) {
    const auto texts = cv.callsOf(Op::Text);
    return std::any_of(texts.begin(), texts.end(), [&](const Call& c) { return c.text == text; });
}

std::vector<int> range(int from, int count) {
    std::vector<int> v;
    for (int c = from; c < from + count; ++c) {
        v.push_back(c);
    }
    return v;
}

// --- Taking its controls from the main window

TEST(LiveDisplayControls, UsesTheWindowsOwnControlsAndAddsTheMissingOnesOnce) {
    // The main window's own display has added its controls already; another display over the
    // same window finds them all and adds none.
    testing::WindowFixture f;
    ASSERT_TRUE(f.load());
    MainWindow& w = f.main();
    const std::size_t before = w.controls.size();
    LiveData data;
    LiveDisplay live(w.controls, data, f.store());
    EXPECT_EQ(&live.Picact, &w.Picact);
    EXPECT_EQ(&live.Picreal, &w.Picreal);
    EXPECT_EQ(&live.txtzoom, &w.txtzoom);
    EXPECT_EQ(&live.lbl_temperature, &w.lbl_temperature);
    EXPECT_EQ(w.controls.size(), before);
    for (const char* name : {"Cmd_groupplot", "Combocol", "Combofila", "combogrup", "lstgrup",
                             "cmdbeam_plus", "cmdbeam_minus", "txtbeam", "lbl_sample"}) {
        EXPECT_NE(w.controls.find(name), nullptr) << name;
    }
    EXPECT_EQ(live.combogrup.kind, ControlKind::ComboBox);
    EXPECT_EQ(live.lstgrup.kind, ControlKind::ListBox);
    EXPECT_TRUE(w.Cmd_barplot.enabled);

    // The installed project 0: a 96-well flat plate, column pairs as groups 0..12.
    live.loadProject();
    ASSERT_EQ(live.combogrup.items.size(), 13u);
    EXPECT_EQ(live.combogrup.items.front(), "000_Group0");
    EXPECT_EQ(live.combogrup.text, "000_Group0");
    EXPECT_EQ(live.lstgrup.items, (std::vector<std::string>{"A1.0", "B1.0", "C1.0", "D1.0", "E1.0",
                                                            "F1.0", "G1.0", "H1.0"}));
    EXPECT_EQ(live.Combofila.items.size(), 8u);
    EXPECT_EQ(live.Combocol.items.size(), 12u);
    // Headless: no canvas on the pictures, and nothing to draw on.
    live.refresh();
    live.signalStep();
}

// --- Bar plot

TEST(LiveBarPlot, TwelveChannelsFitOnePageAndThirteenMakeTwo) {
    Live t;
    t.group(3, range(0, 12));
    LiveDisplay& d = t.display();
    d.Cmd_barplot_Click();
    EXPECT_EQ(d.pageCount(), 1);
    EXPECT_FALSE(d.cmd_pgup.visible);
    EXPECT_FALSE(d.cmd_pgdown.visible);
    EXPECT_EQ(filledBoxes(t.act).size(), 12u);

    t.group(3, range(0, 13));
    d.loadProject();
    d.Cmd_barplot_Click();
    EXPECT_EQ(d.pageCount(), 2);
    EXPECT_TRUE(d.cmd_pgup.visible);
    EXPECT_TRUE(d.cmd_pgdown.visible);
    d.cmd_pgup_Click();
    EXPECT_EQ(d.page(), 1);
    EXPECT_EQ(filledBoxes(t.act).size(), 1u);
    EXPECT_TRUE(hasText(t.act, "M1.0"));  // channel 12
    d.cmd_pgup_Click();                   // already the last page
    EXPECT_EQ(d.page(), 1);
    d.cmd_pgdown_Click();
    d.cmd_pgdown_Click();
    EXPECT_EQ(d.page(), 0);

    // The plate grid hides the page buttons and ignores them.
    d.cmd_pgup_Click();
    d.Cmd_gridplot_Click();
    EXPECT_FALSE(d.cmd_pgup.visible);
    d.cmd_pgdown_Click();
    EXPECT_EQ(d.page(), 1);
    // The bar button starts again from the first page.
    d.Cmd_barplot_Click();
    EXPECT_EQ(d.page(), 0);
}

TEST(LiveBarPlot, BarHeightIsTotalOverScaleAndTheScaleCatchesUpByHalfSteps) {
    Live t;
    t.group(0, {0, 1});
    t.data.totals[0] = 100;
    t.data.totals[1] = 400;
    LiveDisplay& d = t.display();
    d.Cmd_barplot_Click();
    auto bars = filledBoxes(t.act);
    ASSERT_EQ(bars.size(), 2u);
    EXPECT_DOUBLE_EQ(bars[0].y2, 100);
    EXPECT_TRUE(hasText(t.act, "250"));
    EXPECT_TRUE(hasText(t.act, "125"));
    EXPECT_TRUE(hasText(t.act, " 0"));
    // 400 is beyond the axis of 250: one half step per redraw until it fits.
    EXPECT_DOUBLE_EQ(d.barScale(), 1.5);
    d.refresh();
    EXPECT_DOUBLE_EQ(d.barScale(), 2.0);
    d.refresh();
    EXPECT_DOUBLE_EQ(d.barScale(), 2.0);
    bars = filledBoxes(t.act);
    EXPECT_DOUBLE_EQ(bars[0].y2, 50);
    EXPECT_DOUBLE_EQ(bars[1].y2, 200);
    EXPECT_TRUE(hasText(t.act, "500"));
    EXPECT_TRUE(hasText(t.act, "250"));
    // A new run starts from scale 1 again.
    d.prepareActivityPlot();
    EXPECT_DOUBLE_EQ(filledBoxes(t.act)[0].y2, 100);
}

TEST(LiveBarPlot, FrozenTotalKeepsAConstantBarInItsOwnColour) {
    Live t;
    t.group(0, {0, 1});
    t.data.totals[0] = 10000;  // the cycle stops adding past 9999
    t.data.totals[1] = 9000;
    LiveDisplay& d = t.display();
    d.Cmd_barplot_Click();
    for (int i = 0; i < 200 && t.data.totals[0] / d.barScale() > 250; ++i) {
        d.refresh();
    }
    d.refresh();
    const auto settled = filledBoxes(t.act);
    ASSERT_EQ(settled.size(), 2u);
    EXPECT_DOUBLE_EQ(d.barScale(), 40);
    EXPECT_DOUBLE_EQ(settled[0].y2, 250);
    for (int i = 0; i < 5; ++i) {
        d.refresh();
        EXPECT_DOUBLE_EQ(filledBoxes(t.act)[0].y2, 250);
    }
    EXPECT_NE(settled[0].color, settled[1].color);
    // While the scale catches up, a bar far beyond the axis stays inside the picture.
    d.prepareActivityPlot();
    EXPECT_LT(filledBoxes(t.act)[0].y2, 285);
}

// --- Plate grid

TEST(LivePlateGrid, QuietPlateIsScaledTo255AndTheBusiestWellOfALoudOneIsBlack) {
    Live t;
    t.data.totals[0] = 100;  // A1
    t.data.totals[17] = 20;  // B2
    LiveDisplay& d = t.display();
    d.Cmd_gridplot_Click();
    const auto wells = filledBoxes(t.act);
    ASSERT_EQ(wells.size(), 384u);
    EXPECT_EQ(wells[0].color, Color::grey(155));  // 255 - round(100 / 255 x 255)
    EXPECT_EQ(wells[17].color, Color::grey(235));
    EXPECT_EQ(wells[1].color, Color::grey(255));
    // Well B2 is drawn at its row and column: one beam spacing is 100 units.
    EXPECT_DOUBLE_EQ(wells[17].x1, 100);
    EXPECT_DOUBLE_EQ(wells[17].y1, 100);
    EXPECT_DOUBLE_EQ(wells[17].x2, 200);
    EXPECT_TRUE(hasText(t.act, "white 0, black 255"));

    t.data.totals[0] = 1000;
    t.data.totals[17] = 500;
    d.refresh();
    EXPECT_EQ(filledBoxes(t.act)[0].color, Color::grey(0));
    EXPECT_EQ(filledBoxes(t.act)[17].color, Color::grey(127));
}

TEST(LivePlateGrid, PhantomWellAndChannelsOutsideWellsAreNeverDrawn) {
    for (const char* plate : {"w96u", "w96f"}) {
        Live t(plate);
        // Channel 1 lies in no well; the map's unfilled cells of well 96 hold channel 0.
        t.data.totals[0] = 100;
        t.data.totals[1] = 5000;
        LiveDisplay& d = t.display();
        d.Cmd_gridplot_Click();
        const auto wells = filledBoxes(t.act);
        ASSERT_EQ(wells.size(), 96u) << plate;
        // Nothing at all in a 13th column: the plate's right edge is x = 2350 or 2400.
        for (const Call& c : t.act.calls) {
            EXPECT_LE(std::max(c.x1, c.x2), 2400) << plate;
        }
        // Channel 1's count raises nothing: the busiest well still reads against 255.
        const int lit = static_cast<int>(std::count_if(
            wells.begin(), wells.end(), [](const Call& w) { return w.color != Color::grey(255); }));
        EXPECT_EQ(lit, 1) << plate;
        EXPECT_FALSE(hasText(t.act, "13")) << plate;
        // Nor is it in any list.
        const auto& plot = d.plotChannels();
        EXPECT_EQ(std::find(plot.begin(), plot.end(), 1), plot.end()) << plate;
    }
}

TEST(LivePlateGrid, WellOfTwoBeamsShowsTheirMeanAndAWellSwitchedOffIsCrossedOut) {
    Live t("w96f");
    t.data.totals[0] = 400;   // A1, beam 0
    t.data.totals[16] = 100;  // A1, beam 1: the well reads 250 against a plate maximum of 255
    t.store.setup().channelEnabled[2] = false;   // B1, beam 0
    t.store.setup().channelEnabled[18] = false;  // B1, beam 1
    LiveDisplay& d = t.display();
    d.Cmd_gridplot_Click();
    const auto wells = filledBoxes(t.act);
    ASSERT_EQ(wells.size(), 95u);
    EXPECT_EQ(wells[0].color, Color::grey(5));
    // Well B1 (rows 100..300 of the drawing at pitch 2, offset -0.5) has no box but a cross.
    for (const Call& w : wells) {
        EXPECT_FALSE(w.x1 == 0 && w.y1 == 150) << "well B1 filled";
    }
    const auto lines = t.act.callsOf(Op::Line);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const Call& l) {
        return l.x1 == 0 && l.y1 == 150 && l.x2 == 200 && l.y2 == 350;
    }));
}

// --- Group view

TEST(LiveGroupView, MeansRoundHalvesToEvenAndBarsFollowTheStatedGeometry) {
    Live t("w96f");
    t.store.setup().groupName[7] = "Treated";
    t.group(7, {0, 16, 2, 18});  // wells A1 and B1, two beams each
    t.data.totals[0] = 4;
    t.data.totals[16] = 5;  // A1: 4.5 -> 4
    t.data.totals[2] = 0;
    t.data.totals[18] = 1;  // B1: 0.5 -> 0
    LiveDisplay& d = t.display();
    t.choose("007");
    ASSERT_EQ(d.viewMode(), LiveDisplay::kGroupView);
    EXPECT_EQ(d.lstgrup.items, (std::vector<std::string>{"A1.0", "B1.0", "A1.1", "B1.1"}));
    const auto bars = filledBoxes(t.act);
    ASSERT_EQ(bars.size(), 3u);
    // The group: (4 + 5 + 0 + 1) / 4 = 2.5 -> 2.
    EXPECT_DOUBLE_EQ(bars[0].x1, 10);
    EXPECT_DOUBLE_EQ(bars[0].x2, 30);
    EXPECT_DOUBLE_EQ(bars[0].y2, 2);
    const auto texts = t.act.callsOf(Op::Text);
    const auto value =
        std::find_if(texts.begin(), texts.end(), [](const Call& c) { return c.text == "2"; });
    ASSERT_NE(value, texts.end());
    EXPECT_EQ(value->color, (Color{128, 128, 128}));
    EXPECT_TRUE(hasText(t.act, "G7_Treated"));
    // Two wells: 260 / 2 is capped at 25 a slot, bars from 0.1 to 0.9 of it.
    EXPECT_NEAR(bars[1].x1, 42.5, 1e-9);
    EXPECT_NEAR(bars[1].x2, 62.5, 1e-9);
    EXPECT_DOUBLE_EQ(bars[1].y2, 4);
    EXPECT_NEAR(bars[2].x1, 67.5, 1e-9);
    EXPECT_DOUBLE_EQ(bars[2].y2, 0);
    EXPECT_TRUE(hasText(t.act, "A1"));
    EXPECT_TRUE(hasText(t.act, "B1"));
}

TEST(LiveGroupView, ScaleGrowsAtOnceUntilTheGroupFitsAndWellBarsStopAt255) {
    Live t;
    t.group(2, range(0, 20));
    t.data.totals[0] = 600 * 20 - 19 * 100;  // group value 600 with one loud well
    for (int c = 1; c < 20; ++c) {
        t.data.totals[c] = 100;
    }
    LiveDisplay& d = t.display();
    d.refresh();
    EXPECT_DOUBLE_EQ(d.barScale(), 2.5);  // 600 / 2.5 = 240
    EXPECT_TRUE(hasText(t.act, "625"));
    const auto bars = filledBoxes(t.act);
    ASSERT_EQ(bars.size(), 21u);
    EXPECT_DOUBLE_EQ(bars[0].y2, 240);
    EXPECT_DOUBLE_EQ(bars[1].y2, 255);  // 10100 / 2.5 is far above
    EXPECT_DOUBLE_EQ(bars[2].y2, 40);
    // 20 wells: slots of round(13) units.
    EXPECT_NEAR(bars[2].x1, 40 + 13 + 1.3, 1e-9);
}

TEST(LiveGroupView, GroupWithoutWellsDrawsOnlyItsEmptyBar) {
    Live t;
    LiveDisplay& d = t.display();
    d.combogrup.text = "050_Typed";  // not in the list: no channel lies in group 50
    d.combogrup_Click();
    EXPECT_EQ(d.group(), 50);
    EXPECT_TRUE(d.lstgrup.items.empty());
    const auto bars = filledBoxes(t.act);
    ASSERT_EQ(bars.size(), 1u);
    EXPECT_DOUBLE_EQ(bars[0].y2, 0);
    d.Cmd_barplot_Click();
    EXPECT_EQ(d.pageCount(), 1);
    EXPECT_TRUE(filledBoxes(t.act).empty());
}

TEST(LiveGroupView, ProjectWithEveryChannelOffLeavesEveryListAndViewEmpty) {
    Live t("w96f");
    LiveDisplay& d = t.display();
    d.combogrup.text = "050_Typed";
    d.combogrup_Click();
    t.store.setup().channelEnabled.fill(false);
    d.loadProject();
    EXPECT_TRUE(d.combogrup.items.empty());
    EXPECT_EQ(d.combogrup.text, "");
    EXPECT_EQ(d.group(), LiveDisplay::kNoGroup);
    EXPECT_TRUE(d.lstgrup.items.empty());
    // A channel switched off may still be watched: its signal says why it is off.
    EXPECT_EQ(d.signalChannel(), 0);
    for (auto view : {&LiveDisplay::Cmd_barplot_Click, &LiveDisplay::Cmd_histoplot_Click,
                      &LiveDisplay::Cmd_groupplot_Click}) {
        (d.*view)();
        EXPECT_LE(filledBoxes(t.act).size(), 1u);  // at most the group's empty bar
    }
    d.Cmd_gridplot_Click();
    EXPECT_TRUE(filledBoxes(t.act).empty());
    EXPECT_EQ(t.act.callsOf(Op::Line).size(), 96u * 2 + 9 + 13);  // crossed wells, edges
}

// --- Histogram plot

TEST(LiveHistogramPlot, BinsScaleToTheChannelsPeakAndPageLikeTheBars) {
    Live t("w96u");
    t.group(0, range(0, 64));  // beam columns 1..4: the wells of plate columns 1 and 2
    const int c = 2;           // B1
    t.data.histograms[3 * kCountSlots + c] = 10;
    t.data.histograms[4 * kCountSlots + c] = 20;
    t.data.histogramPeak[c] = 20;
    LiveDisplay& d = t.display();
    d.Cmd_histoplot_Click();
    EXPECT_EQ(d.plotChannels().size(), 16u);
    EXPECT_EQ(d.pageCount(), 2);
    EXPECT_TRUE(d.cmd_pgup.visible);
    const auto bins = filledBoxes(t.act);
    ASSERT_EQ(bins.size(), 2u);
    EXPECT_DOUBLE_EQ(bins[0].y2 - bins[0].y1, 40);
    EXPECT_DOUBLE_EQ(bins[1].y2 - bins[1].y1, 80);
    EXPECT_DOUBLE_EQ(bins[1].x1 - bins[0].x1, 2);
    EXPECT_TRUE(hasText(t.act, "B1.0  peak 20"));
    d.cmd_pgup_Click();
    EXPECT_EQ(d.page(), 1);
    EXPECT_TRUE(filledBoxes(t.act).empty());
    EXPECT_EQ(t.act.callsOf(Op::Box).size(), 4u);
}

// --- Signal view

TEST(LiveSignal, NothingBelowSampleThreeThenTheLastTwoSegmentsColouredByTheBlinkFlag) {
    Live t;
    t.group(0, {5});
    t.samples(5, {900, 1000, 1100, 1200, 1300, 1400}, 800);
    t.data.liveLine.at(5, 2) = 0;  // the line is not set at sample 2
    t.data.temperatureText = "24.5";
    LiveDisplay& d = t.display();
    ASSERT_EQ(d.signalChannel(), 5);
    d.prepareSignalPlot();
    const std::size_t framed = t.real.calls.size();
    for (int i = 0; i < 3; ++i) {
        t.data.sampleIndex = static_cast<std::int16_t>(i);
        d.signalStep();
        EXPECT_EQ(t.real.calls.size(), framed) << i;
    }
    EXPECT_EQ(d.lbl_sample.text, "Sample 2/500");
    EXPECT_EQ(d.lbl_temperature.text, "T=24.5*C");

    t.real.calls.clear();
    t.data.sampleIndex = 5;
    d.signalStep();
    const auto lines = t.real.callsOf(Op::Line);
    ASSERT_EQ(lines.size(), 2u + 1u + 4u);  // two samples, one line segment, four marks
    EXPECT_EQ(lines[0].color, colors::red);
    EXPECT_DOUBLE_EQ(lines[0].x1, 2);
    EXPECT_DOUBLE_EQ(lines[0].y1, 1100);
    EXPECT_DOUBLE_EQ(lines[0].x2, 3);
    EXPECT_DOUBLE_EQ(lines[0].y2, 1200);
    EXPECT_EQ(lines[1].color, colors::red);
    EXPECT_DOUBLE_EQ(lines[1].x2, 4);
    EXPECT_EQ(lines[2].color, colors::blue);  // samples 3 to 4; 2 to 3 has no line
    EXPECT_DOUBLE_EQ(lines[2].x1, 3);
    EXPECT_DOUBLE_EQ(lines[2].y1, 800);
    const auto boxes = filledBoxes(t.real);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].color, colors::white);  // the band ahead of the cursor
    EXPECT_DOUBLE_EQ(boxes[0].x1, 5);
    EXPECT_DOUBLE_EQ(boxes[0].x2, 11);
    EXPECT_DOUBLE_EQ(boxes[0].y1, 21);
    EXPECT_DOUBLE_EQ(boxes[0].y2, 2048);
    EXPECT_EQ(boxes[1].color, colors::black);  // the left edge
    EXPECT_DOUBLE_EQ(boxes[1].x2, 3);
    EXPECT_DOUBLE_EQ(boxes[1].y2, 2100);
    for (int m = 0; m < 4; ++m) {
        EXPECT_EQ(lines[3 + m].color, colors::white);
        EXPECT_DOUBLE_EQ(lines[3 + m].y1, 500.0 * (m + 1));
    }

    t.real.calls.clear();
    t.data.blink = true;
    d.signalStep();
    const auto blinking = t.real.callsOf(Op::Line);
    EXPECT_NE(blinking[2].color, colors::blue);
    EXPECT_TRUE(blinking[2].color.g > 0 && blinking[2].color.r == 0 && blinking[2].color.b == 0);
}

TEST(LiveSignal, ZoomStaysWithinZeroToTenAndDrawsAgainstTheBlockMaximum) {
    Live t;
    t.group(0, {7});
    t.samples(7, {3000, 1000, 1200, 1100, 900, 4000});
    t.data.sampleIndex = 5;  // samples 1..4 are in; 0 is the warm-up, 5 not read yet
    LiveDisplay& d = t.display();
    d.Cmdzoom_minus_Click();
    EXPECT_EQ(d.zoom(), 0);
    EXPECT_EQ(d.txtzoom.text, "0");
    d.Cmdzoom_plus_Click();
    EXPECT_EQ(d.blockMaximum(7), 1200);
    // y = (sample - 1200) x 1 + 1750 for the segments ending at samples 1..4.
    auto lines = t.real.callsOf(Op::Line);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_DOUBLE_EQ(lines[0].y1, 3550);
    EXPECT_DOUBLE_EQ(lines[0].y2, 1550);
    EXPECT_DOUBLE_EQ(lines[3].x2, 4);
    EXPECT_DOUBLE_EQ(lines[3].y2, 1450);
    for (int i = 0; i < 14; ++i) {
        d.Cmdzoom_plus_Click();
    }
    EXPECT_EQ(d.zoom(), 10);
    EXPECT_EQ(d.txtzoom.text, "10");
    lines = t.real.callsOf(Op::Line);
    EXPECT_DOUBLE_EQ(lines[3].y2, -1250);  // (900 - 1200) x 10 + 1750
    for (int i = 0; i < 14; ++i) {
        d.Cmdzoom_minus_Click();
    }
    EXPECT_EQ(d.zoom(), 0);
    EXPECT_DOUBLE_EQ(t.real.callsOf(Op::Line)[3].y2, 900);
}

TEST(LiveSignal, OncePerRunTheMaximaAreTakenOnlyWhenZoomed) {
    Live t;
    t.group(0, {7});
    t.samples(7, {0, 1500, 1600});
    t.data.sampleIndex = 3;
    LiveDisplay& d = t.display();
    d.dataIntervalReached();
    EXPECT_EQ(d.blockMaximum(7), 0);
    d.Cmdzoom_plus_Click();
    t.data.samples.at(7, 2) = 1700;
    d.dataIntervalReached();
    EXPECT_EQ(d.blockMaximum(7), 1700);
    // Nothing read yet in a new block: the last maxima stay the reference.
    t.data.sampleIndex = 1;
    d.recomputeBlockMaxima();
    EXPECT_EQ(d.blockMaximum(7), 1700);
}

// --- Pickers

TEST(LivePickers, ListAndBeamButtonsAndWellPickersChooseTheSignalChannel) {
    Live t("w96u");
    t.group(4, {66, 34, 2});  // B3, B2, B1
    t.store.setup().channelGroup[98] = 1;
    t.store.setup().channelEnabled[34] = false;
    LiveDisplay& d = t.display();
    EXPECT_EQ(d.combogrup.items,
              (std::vector<std::string>{"001_Group1", "004_Group4", "999_Free"}));
    t.choose("004");
    EXPECT_EQ(d.lstgrup.items, (std::vector<std::string>{"B1.0", "B3.0"}));
    d.lstgrup.listIndex = 1;
    d.lstgrup_Click();
    EXPECT_EQ(d.signalChannel(), 66);
    EXPECT_EQ(d.Combofila.text, "B");
    EXPECT_EQ(d.Combocol.text, "3");
    EXPECT_EQ(d.txtbeam.text, "0");
    d.cmdbeam_plus_Click();  // already the last entry
    EXPECT_EQ(d.signalChannel(), 66);
    d.cmdbeam_minus_Click();
    EXPECT_EQ(d.signalChannel(), 2);
    EXPECT_EQ(d.lstgrup.listIndex, 0);
    d.cmdbeam_minus_Click();
    EXPECT_EQ(d.signalChannel(), 2);

    // Row H, column 12: well 95, channel 11 x 32 + 7 x 2.
    selectText(d.Combofila, "H");
    d.Combofila_Click();
    selectText(d.Combocol, "12");
    d.Combocol_Click();
    EXPECT_EQ(d.signalChannel(), 366);
    EXPECT_EQ(d.lstgrup.listIndex, -1);
    EXPECT_EQ(d.channelLabel(366), "H12.0");
}

TEST(LivePickers, WellWithoutChannelShowsNoTraceAndReloadKeepsTheChoices) {
    Live t;
    t.store.plate().wellOfChannel[5] = -1;  // F1 holds no beam in this plate
    buildMap(t.store.plate());
    t.group(6, {4, 6});
    LiveDisplay& d = t.display();
    t.choose("006");
    d.lstgrup.listIndex = 1;
    d.lstgrup_Click();
    t.samples(6, {1000, 1000, 1000, 1000});
    t.data.sampleIndex = 4;
    d.Picreal_Resize();
    EXPECT_EQ(t.real.callsOf(Op::Line).size(), 3u + 4u);

    selectText(d.Combofila, "F");
    selectText(d.Combocol, "1");
    d.Combocol_Click();
    EXPECT_EQ(d.signalChannel(), -1);
    EXPECT_EQ(d.txtbeam.text, "-");
    EXPECT_EQ(t.real.callsOf(Op::Line).size(), 4u);  // the edge's marks only
    t.real.calls.clear();
    d.signalStep();
    EXPECT_TRUE(t.real.calls.empty());

    d.lstgrup.listIndex = 1;
    d.lstgrup_Click();
    d.loadProject();
    EXPECT_EQ(d.combogrup.text, "006_Group6");
    EXPECT_EQ(d.signalChannel(), 6);
    EXPECT_EQ(d.lstgrup.listIndex, 1);
}

TEST(LiveDisplayCanvas, PicturesWithoutCanvasGetNothingAndTheOtherIsUntouched) {
    Live t;
    t.group(0, range(0, 20));
    t.data.totals[0] = 1000;
    t.samples(0, {1, 2, 3, 4, 5});
    t.data.sampleIndex = 5;
    LiveDisplay& d = t.display();
    d.Picact.canvas = nullptr;
    const std::size_t signalCalls = t.real.calls.size();
    const std::size_t plotCalls = t.act.calls.size();
    for (auto click : {&LiveDisplay::Cmd_barplot_Click, &LiveDisplay::Cmd_gridplot_Click,
                       &LiveDisplay::Cmd_histoplot_Click, &LiveDisplay::Cmd_groupplot_Click,
                       &LiveDisplay::refresh, &LiveDisplay::prepareActivityPlot}) {
        (d.*click)();
    }
    EXPECT_EQ(t.real.calls.size(), signalCalls);
    EXPECT_EQ(t.act.calls.size(), plotCalls);
    // The bar plot's page buttons still follow the channels.
    d.Cmd_barplot_Click();
    EXPECT_TRUE(d.cmd_pgup.visible);

    d.Picact.canvas = &t.act;
    d.Picreal.canvas = nullptr;
    d.signalStep();
    d.Cmdzoom_plus_Click();
    d.prepareSignalPlot();
    EXPECT_EQ(t.real.calls.size(), signalCalls);
    EXPECT_EQ(d.lbl_sample.text, "Sample 5/500");
}

}  // namespace
}  // namespace qv

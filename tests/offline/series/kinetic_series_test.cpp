// The kinetic series of a tag: members in start order, time unit and labels, group means,
// members without activity, percentages of Time0, and its picture.
#include "offline/series/kinetic_series.h"

#include <gtest/gtest.h>

#include "common/canvas.h"
#include "offline/series/kinetic_tags.h"
#include "offline/series/kinetics_plot.h"
#include "series_fixture.h"

namespace qv {
namespace {

using testing::SeriesFolder;

// Channels 0..15 (beam column 1) are group 0, 16..31 group 1, 32..35 group 2; the rest free.
std::array<int, kSeriesSlots> threeGroups() {
    std::array<int, kSeriesSlots> g{};
    g.fill(-1);
    for (int c = 0; c < 36; ++c) {
        g[static_cast<std::size_t>(c)] = c < 16 ? 0 : c < 32 ? 1 : 2;
    }
    return g;
}

struct Series : ::testing::Test {
    SeriesFolder f;

    void tag(const std::vector<std::string>& names, int entry = 1) {
        std::vector<TagTarget> targets;
        for (const auto& n : names) {
            targets.push_back({f.project(), n});
        }
        ASSERT_TRUE(tagAcquisitions(targets, entry, f.clock).empty());
    }
    std::optional<KineticSeries> build(bool relative = false) {
        return buildKineticSeries({f.project(), "[K1]", threeGroups(), relative}, f.ui);
    }
    // Every channel counts `perRecord` in each of three records.
    void lay(const std::string& name, int perRecord) {
        f.acquisition(name, 3, [perRecord](int, int) { return perRecord; });
    }
};

TEST_F(Series, ThirtyHoursApartGiveHoursLabelledZeroAndThirty) {
    lay("20240614_0600", 1);
    lay("20240615_1200", 1);
    tag({"20240615_1200", "20240614_0600"});
    const auto s = build();
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->acquisitions, (std::vector<std::string>{"20240614_0600", "20240615_1200"}));
    EXPECT_EQ(s->minutes, (std::vector<std::int64_t>{0, 1800}));
    EXPECT_EQ(s->unit, "h");
    EXPECT_EQ(s->timeLabels, (std::vector<std::string>{"0.0", "30.0"}));
}

TEST_F(Series, UnitFollowsTheSpanFromFirstToLastStart) {
    EXPECT_EQ(seriesTimeUnit(0), "min");
    EXPECT_EQ(seriesTimeUnit(1440), "min");
    EXPECT_EQ(seriesTimeUnit(1441), "h");
    EXPECT_EQ(seriesTimeUnit(3 * 1440), "h");
    EXPECT_EQ(seriesTimeUnit(3 * 1440 + 1), "day");
    EXPECT_EQ(seriesTimeLabel(95, "min"), "95");
    EXPECT_EQ(seriesTimeLabel(90, "h"), "1.5");
    EXPECT_EQ(seriesTimeLabel(5040, "day"), "3.5");
}

TEST_F(Series, MembersAreOrderedByStartAcrossMonthsAndYears) {
    for (const char* n : {"20250101_0000", "20241231_2359", "20241130_1200"}) {
        lay(n, 1);
    }
    // A key that is no acquisition folder has no start and is passed over.
    tag({"20250101_0000", "notes_1234", "20241231_2359", "20241130_1200"});
    const auto s = build();
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->acquisitions,
              (std::vector<std::string>{"20241130_1200", "20241231_2359", "20250101_0000"}));
    EXPECT_EQ(s->unit, "day");
    EXPECT_EQ(s->minutes.back(), 31 * 1440 + 12 * 60);
}

TEST_F(Series, GroupValuesAreTheRoundedCountsPerChannelOfAllRecords) {
    // Channel c counts c % 4 in each of 3 records: group 0 (0..15) totals 3 x 24 over 16
    // channels = 4.5, which rounds to the even 4; group 2 (32..35) 3 x 6 / 4 = 4.5 -> 4 too.
    f.acquisition("20240614_0600", 3, [](int, int c) { return c % 4; });
    f.acquisition("20240614_0700", 3, [](int, int c) { return c < 16 ? 2 : 0; });
    tag({"20240614_0600", "20240614_0700"});
    const auto s = build();
    ASSERT_TRUE(s.has_value());
    ASSERT_EQ(s->groupSlots, (std::vector<int>{0, 1, 2, kSeriesFreeSlot}));
    EXPECT_EQ(s->channels[0], 16);
    EXPECT_EQ(s->channels[kSeriesFreeSlot], 384 - 36);
    EXPECT_EQ(s->values[0], (std::vector<double>{4, 6}));
    EXPECT_EQ(s->values[1], (std::vector<double>{4, 0}));
    EXPECT_EQ(s->values[2], (std::vector<double>{4, 0}));
    // The free channels 36..383: 87 of each residue, (0+1+2+3) x 87 x 3 / 348 = 4.5 -> 4.
    EXPECT_EQ(s->values[3], (std::vector<double>{4, 0}));
    EXPECT_EQ(s->largest, 6);
    EXPECT_EQ(seriesGroupLabel(2), "[#002]");
    EXPECT_EQ(seriesGroupLabel(kSeriesFreeSlot), "[#999]");
}

TEST_F(Series, AMemberWithoutCountsIsReportedAndTheOthersStillFormTheSeries) {
    lay("20240614_0600", 1);
    std::filesystem::create_directories(f.project() / "20240614_0700");
    lay("20240614_0800", 2);
    tag({"20240614_0600", "20240614_0700", "20240614_0800"});
    const auto s = build();
    ASSERT_TRUE(s.has_value());
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_EQ(f.ui.messages[0],
              "Activity file not Found into " + (f.project() / "20240614_0700").string());
    EXPECT_EQ(s->acquisitions, (std::vector<std::string>{"20240614_0600", "20240614_0800"}));
    EXPECT_EQ(s->missing, std::vector<std::string>{"20240614_0700"});
    EXPECT_EQ(s->minutes, (std::vector<std::int64_t>{0, 120}));
    EXPECT_EQ(s->values[0], (std::vector<double>{3, 6}));
}

TEST_F(Series, TheFirstMemberWithActivityIsTimeZero) {
    std::filesystem::create_directories(f.project() / "20240614_0600");
    lay("20240614_0700", 1);
    tag({"20240614_0600", "20240614_0700"});
    const auto s = build();
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->minutes, std::vector<std::int64_t>{0});
    EXPECT_EQ(s->timeLabels, std::vector<std::string>{"0"});
}

TEST_F(Series, RelativeToTimeZeroInPercentLeavingOutGroupsIdleAtTimeZero) {
    f.acquisition("20240614_0600", 1, [](int, int c) { return c < 16 ? 4 : 0; });
    f.acquisition("20240614_0700", 1, [](int, int c) { return c < 16 ? 6 : 3; });
    tag({"20240614_0600", "20240614_0700"});
    const auto s = build(true);
    ASSERT_TRUE(s.has_value());
    EXPECT_TRUE(s->relative);
    ASSERT_EQ(s->groupSlots, std::vector<int>{0});
    EXPECT_EQ(s->values[0], (std::vector<double>{100, 150}));
    EXPECT_EQ(s->largest, 150);
}

TEST_F(Series, NoTaggedAcquisitionDoesNothing) {
    lay("20240614_0600", 1);
    tag({"20240614_0600"}, 2);
    EXPECT_FALSE(build().has_value());
    EXPECT_TRUE(f.ui.messages.empty());
}

TEST_F(Series, AHundredTaggedAcquisitionsAreTooMany) {
    std::vector<std::string> names;
    for (int i = 0; i < 100; ++i) {
        names.push_back("202406" + std::to_string(10 + i / 24) + "_" + (i % 24 < 10 ? "0" : "") +
                        std::to_string(i % 24) + "00");
    }
    tag(names);
    EXPECT_FALSE(build().has_value());
    EXPECT_EQ(f.ui.messages, std::vector<std::string>{"To many Tagged Sub_Projects! (max=99)"});
    // Ninety-nine are taken (without activity files, each is reported).
    std::vector<TagTarget> one{{f.project(), names.back()}};
    tagAcquisitions(one, 0, f.clock);
    f.ui.messages.clear();
    const auto s = build();
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->missing.size(), 99u);
}

// --- the picture

KineticSeries twoPoints(bool relative, double second) {
    KineticSeries s;
    s.tag = "[K2]";
    s.relative = relative;
    s.acquisitions = {"20240614_0600", "20240615_1200"};
    s.minutes = {0, 1800};
    s.unit = "h";
    s.timeLabels = {"0.0", "30.0"};
    s.groupSlots = {3};
    s.values = {{relative ? 100.0 : 50.0, second}};
    s.largest = std::max(relative ? 100.0 : 50.0, second);
    return s;
}

std::vector<std::string> texts(const RecordingCanvas& cv) {
    std::vector<std::string> out;
    for (const auto& c : cv.callsOf(RecordingCanvas::Op::Text)) {
        out.push_back(c.text);
    }
    return out;
}

bool has(const std::vector<std::string>& v, const std::string& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
}

TEST(KineticsPlot, TitleTimeAxisLabelsAndOneLinePerGroupInItsColour) {
    RecordingCanvas cv;
    drawKineticsPlot(cv, twoPoints(false, 80));
    const auto t = texts(cv);
    EXPECT_TRUE(has(t, "[K2] Kinetics PLOT"));
    EXPECT_TRUE(has(t, "Time[h]"));
    EXPECT_TRUE(has(t, "0.0"));
    EXPECT_TRUE(has(t, "30.0"));
    EXPECT_TRUE(has(t, "80"));  // the top of the value axis: the largest value
    EXPECT_TRUE(has(t, " [#003]"));
    std::vector<RecordingCanvas::Call> lines;
    for (const auto& c : cv.callsOf(RecordingCanvas::Op::Line)) {
        if (c.color == kineticsColor(3)) {
            lines.push_back(c);
        }
    }
    ASSERT_EQ(lines.size(), 1u);
    // From 50 at Time0 (lower) up to 80 at the top of the frame.
    EXPECT_DOUBLE_EQ(lines[0].x1, KineticsFrame::kLeft);
    EXPECT_DOUBLE_EQ(lines[0].x2, KineticsFrame::kRight);
    EXPECT_DOUBLE_EQ(lines[0].y2, KineticsFrame::kTop);
    EXPECT_GT(lines[0].y1, KineticsFrame::kTop);
    EXPECT_EQ(cv.callsOf(RecordingCanvas::Op::FilledCircle).size(), 2u);
}

TEST(KineticsPlot, PercentScaleRunsToAHundredOrHigherSoEveryPointStaysInside) {
    RecordingCanvas cv;
    drawKineticsPlot(cv, twoPoints(true, 60));
    EXPECT_TRUE(has(texts(cv), "100%"));
    RecordingCanvas above;
    drawKineticsPlot(above, twoPoints(true, 180));
    EXPECT_TRUE(has(texts(above), "180%"));
    for (const auto& c : above.callsOf(RecordingCanvas::Op::FilledCircle)) {
        EXPECT_GE(c.y1, KineticsFrame::kTop);
        EXPECT_LE(c.y1, KineticsFrame::kBottom);
    }
}

TEST(KineticsPlot, LabelsOfGroupsEndingTogetherDoNotPrintOverEachOther) {
    KineticSeries s = twoPoints(true, 100);
    s.groupSlots = {0, 1, 2};
    s.values = {{100, 100}, {100, 100}, {100, 40}};
    RecordingCanvas cv;
    drawKineticsPlot(cv, s);
    std::vector<double> tops;
    for (const auto& c : cv.callsOf(RecordingCanvas::Op::Text)) {
        if (c.text.rfind(" [#", 0) == 0) {
            tops.push_back(c.y1);
        }
    }
    ASSERT_EQ(tops.size(), 3u);
    std::sort(tops.begin(), tops.end());
    for (std::size_t i = 1; i < tops.size(); ++i) {
        EXPECT_GE(tops[i] - tops[i - 1], cv.textHeight() - 1e-9) << i;
    }
    // The first keeps its place beside its point.
    EXPECT_DOUBLE_EQ(tops[0], KineticsFrame::kTop - cv.textHeight() / 2);
}

TEST(KineticsPlot, ASeriesWithoutPointsSaysSo) {
    KineticSeries s;
    s.tag = "[K1]";
    RecordingCanvas cv;
    drawKineticsPlot(cv, s);
    EXPECT_TRUE(cv.callsOf(RecordingCanvas::Op::Line).empty());
    EXPECT_TRUE(has(texts(cv), "[K1]: no tagged acquisition has an activity file"));
}

}  // namespace
}  // namespace qv

// Single-animal path tracking on raw blocks made for the purpose: beams dip where an animal is
// meant to stand, and the positions, distances, table, frames and picture follow from them.
#include "offline/series/path_tracking.h"

#include <gtest/gtest.h>

#include <map>

#include "offline/series/signal_export.h"
#include "series_fixture.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using testing::blockWith;
using testing::readBytes;
using testing::SeriesFolder;

// Where beams are dark: block -> list of (channel, first sample of a three-sample dip).
using Dips = std::map<int, std::vector<std::pair<int, int>>>;

struct Tracking : ::testing::Test {
    SeriesFolder f;
    PlateFormat plate;
    fs::path acq;
    PathTracker tracker;

    void SetUp() override { ASSERT_TRUE(loadPlateFormatWithoutFallback(f.app(), "w6", plate).ok); }
    // The channels of beams of a well, in beam order.
    std::vector<int> beams(int well) {
        std::vector<int> out;
        for (const auto& [beam, channel] : beamsOfWell(plate, well)) {
            out.push_back(channel);
        }
        return out;
    }
    // The beam of `well` that lies `columns` beam columns right and `rows` rows down of `from`.
    int beside(int from, int columns, int rows) {
        const int c = from + 16 * columns + rows;
        EXPECT_EQ(plate.wellOfChannel[c], plate.wellOfChannel[from]);
        return c;
    }
    void lay(const Dips& dips, int blocks, bool raw = true) {
        testing::AcquisitionFixture settings;
        settings.plateFormat = "w6";
        settings.organism = 1;
        settings.groupNames = {"Dose0", "Dose1", "Dose2", "Dose3", "Dose4", "Dose5"};
        acq = f.acquisition(
            "20240614_1530", blocks, [](int, int) { return 0; }, settings);
        for (int k = 0; raw && k < blocks; ++k) {
            const auto it = dips.find(k);
            ASSERT_TRUE(appendRawBlock(
                acq, k / kBlocksPerFile,
                blockWith(it == dips.end() ? std::vector<std::pair<int, int>>{} : it->second)));
        }
    }
    void runAll() {
        while (tracker.step()) {
        }
    }
};

TEST(TrackingOffer, SixWellPlateWithZebrafishOrFliesOnly) {
    EXPECT_TRUE(trackingOffered("w6", 1));
    EXPECT_TRUE(trackingOffered("w6", 3));
    EXPECT_FALSE(trackingOffered("w6", 0));
    EXPECT_FALSE(trackingOffered("w24", 1));
}

TEST_F(Tracking, StandingStillAddsNothingAndAWellNeverInterruptedStaysAtZero) {
    const int a = beams(0)[5];
    lay({{0, {{a, 50}, {a, 150}, {a, 250}}}, {1, {{a, 20}}}}, 2);
    ASSERT_TRUE(tracker.start(acq, f.app(), f.ui)) << ::testing::PrintToString(f.ui.messages);
    EXPECT_EQ(tracker.blocks(), 2);
    runAll();
    EXPECT_TRUE(tracker.finished());
    ASSERT_EQ(tracker.blockDistances().size(), 2u);
    for (const auto& block : tracker.blockDistances()) {
        for (const double d : block) {
            EXPECT_EQ(d, 0);
        }
    }
    const WellTrack& still = tracker.wells()[0];
    EXPECT_EQ(still.trail[0],
              (TrackPoint{static_cast<double>(a / 16), static_cast<double>(a % 16)}));
    EXPECT_EQ(still.trail[1], still.trail[0]);
    EXPECT_FALSE(tracker.wells()[1].trail[0].known());
    EXPECT_EQ(tracker.failedDetections(), 0);
}

TEST_F(Tracking, DistanceIsTheStraightStepBetweenPositionsPerBlock) {
    const int p = beams(3)[10];
    const int a = beams(0)[10];
    lay({{0, {{p, 50}, {beside(p, 2, 0), 150}, {a, 300}}}, {1, {{a, 40}, {beside(a, 0, 1), 140}}}},
        2);
    ASSERT_TRUE(tracker.start(acq, f.app(), f.ui));
    runAll();
    const auto& d = tracker.blockDistances();
    ASSERT_EQ(d.size(), 2u);
    // The first position of a well has nothing to be measured from.
    EXPECT_DOUBLE_EQ(d[0][3], 2.0);
    EXPECT_DOUBLE_EQ(d[0][0], 0.0);
    EXPECT_DOUBLE_EQ(d[1][0], 1.0);
    EXPECT_DOUBLE_EQ(d[1][3], 0.0);
    EXPECT_DOUBLE_EQ(tracker.wells()[3].distance, 2.0);
    EXPECT_DOUBLE_EQ(tracker.wells()[0].distance, 1.0);
}

TEST_F(Tracking, SeveralBeamsAtOnceGiveTheirMeanPosition) {
    const int a = beams(2)[8];
    const int b = beside(a, 1, 1);
    lay({{0, {{a, 100}, {b, 100}}}}, 1);
    ASSERT_TRUE(tracker.start(acq, f.app(), f.ui));
    for (int s = 0; s <= 100; ++s) {
        tracker.step();
    }
    const WellTrack& w = tracker.wells()[2];
    EXPECT_EQ(w.interrupted, (std::vector<int>{a, b}));
    EXPECT_DOUBLE_EQ(w.trail[0].x, a / 16 + 0.5);
    EXPECT_DOUBLE_EQ(w.trail[0].y, a % 16 + 0.5);
    EXPECT_EQ(tracker.positionText(), "101/500");
}

TEST_F(Tracking, TravelTableLinesAndTheFirstFreeName) {
    const int p = beams(3)[10];
    lay({{0, {{p, 50}, {beside(p, 2, 0), 150}}}}, 2);
    ASSERT_TRUE(tracker.start(acq, f.app(), f.ui));
    runAll();
    const std::string text = travelTableText(tracker, {2024, 6, 16, 9, 5, 7, 0}, ",");
    EXPECT_EQ(text,
              "\"DATE:\",\"16/06/2024 09:05:07\"\r\n"
              "\"FILE:\",\"" +
                  acq.string() +
                  "\"\r\n\r\n"
                  "\"<<<<<< Travel Distance: [milimeter/acq_block] >>>>>>\"\r\n"
                  "Group/Time[m],0.0,1.0\r\n"
                  "\"000_Dose0\",0,0\r\n\"001_Dose1\",0,0\r\n\"002_Dose2\",0,0\r\n"
                  "\"003_Dose3\",9,0\r\n\"004_Dose4\",0,0\r\n\"005_Dose5\",0,0\r\n\r\n");

    // The report of the acquisition is there already, and another report file is held open
    // where it cannot be replaced: both stay, and the table takes the next free name.
    testing::writeBytes(acq / "report.csv", "the report");
    fs::create_directory(acq / "report_1.csv");
    const auto path = writeTravelTable(tracker, ",", f.clock, f.ui);
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(*path, acq / "report_2.csv");
    EXPECT_EQ(readBytes(acq / "report.csv"), "the report");
    ASSERT_EQ(f.ui.opened.size(), 1u);
    EXPECT_EQ(f.ui.opened[0].kind, ExternalKind::Document);
}

TEST_F(Tracking, ExportDataRunsTheRestWritesTheTableAndStartsOver) {
    const int p = beams(5)[3];
    lay({{1, {{p, 10}, {beside(p, 1, 0), 20}}}}, 3);
    ASSERT_TRUE(tracker.start(acq, f.app(), f.ui));
    for (int s = 0; s < 700; ++s) {
        tracker.step();
    }
    std::vector<std::string> shown;
    const auto path = exportTravelDistances(tracker, ";", f.clock, f.ui, [&](const PathTracker& t) {
        shown.push_back(t.positionText());
    });
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(*path, acq / "report.csv");
    // The window hears of every block begun and answers between blocks, not between samples.
    EXPECT_EQ(shown, (std::vector<std::string>{"1000/1500", "1500/1500"}));
    EXPECT_EQ(f.ui.eventPumps, 2);
    EXPECT_NE(readBytes(*path).find("\"005_Dose5\";0;4;0"), std::string::npos) << readBytes(*path);
    EXPECT_EQ(tracker.block(), 0);
    EXPECT_EQ(tracker.stepInBlock(), 0);
    EXPECT_TRUE(tracker.blockDistances().empty());
    EXPECT_FALSE(tracker.wells()[5].trail[0].known());
}

TEST_F(Tracking, WithoutActivityFileOrRawSamplesNothingStarts) {
    lay({}, 2, false);
    EXPECT_FALSE(tracker.start(acq, f.app(), f.ui));
    ASSERT_EQ(f.ui.messages.size(), 1u);
    EXPECT_NE(f.ui.messages[0].find("No raw samples to track"), std::string::npos);
    fs::remove(acq / "counts.bin");
    f.ui.messages.clear();
    EXPECT_FALSE(tracker.start(acq, f.app(), f.ui));
    EXPECT_EQ(f.ui.messages, std::vector<std::string>{"Activity file not Found"});
    EXPECT_FALSE(tracker.step());
}

TEST_F(Tracking, ARunCutShortIsTrackedAsFarAsItsRawBlocksGo) {
    lay({}, 3);
    // The last raw block never reached the disk whole.
    const auto raw = rawFilePath(acq, 0);
    fs::resize_file(raw, fs::file_size(raw) - 100);
    ASSERT_TRUE(tracker.start(acq, f.app(), f.ui));
    EXPECT_EQ(tracker.blocks(), 2);
    runAll();
    EXPECT_EQ(tracker.blockDistances().size(), 2u);
}

TEST_F(Tracking, FramePicturesShowBeamsAnimalTrailAndDistance) {
    const int p = beams(3)[10];
    const int q = beside(p, 2, 0);
    lay({{0, {{p, 50}, {q, 150}}}}, 1);
    ASSERT_TRUE(tracker.start(acq, f.app(), f.ui));
    for (int s = 0; s <= 150; ++s) {
        tracker.step();
    }
    RecordingCanvas cv;
    drawTrackingFrame(cv, tracker);
    const auto circles = cv.callsOf(RecordingCanvas::Op::Circle);
    EXPECT_TRUE(std::any_of(circles.begin(), circles.end(), [&](const auto& c) {
        return c.color == colors::blue && c.x1 == q / 16 * 100 + 50 && c.y1 == q % 16 * 100 + 50;
    }));
    const auto animals = cv.callsOf(RecordingCanvas::Op::FilledCircle);
    EXPECT_TRUE(std::any_of(animals.begin(), animals.end(), [&](const auto& c) {
        return c.color == colors::red && c.x1 == q / 16 * 100 + 50 && c.x2 == 16;
    }));
    const auto lines = cv.callsOf(RecordingCanvas::Op::Line);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const auto& c) {
        return c.color == colors::red && c.x1 == q / 16 * 100 + 50 && c.x2 == p / 16 * 100 + 50;
    }));
    const auto texts = cv.callsOf(RecordingCanvas::Op::Text);
    EXPECT_TRUE(
        std::any_of(texts.begin(), texts.end(), [](const auto& c) { return c.text == "9mm"; }));
}

TEST(TrackingFrames, NamedBySamplePositionWithFiveDigits) {
    EXPECT_EQ(trackingFramePath("/a/20240614_1530", 0), fs::path("/a/20240614_1530/bmp/00000.bmp"));
    EXPECT_EQ(trackingFramePath("/a/x", 1234), fs::path("/a/x/bmp/01234.bmp"));
    EXPECT_EQ(trackingFramePath("/a/x", 99999), fs::path("/a/x/bmp/99999.bmp"));
    EXPECT_EQ(trackingFramePath("/a/x", 123456), fs::path("/a/x/bmp/123456.bmp"));
}

}  // namespace
}  // namespace qv

// Tags, the joint report and path tracking on acquisitions recorded by the main window's run on
// the virtual instrument, on virtual time.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <set>
#include <sstream>

#include "acquisition/run_fixture.h"
#include "analysis/report_acquisition.h"
#include "common/rounding.h"
#include "offline/series/joint_report.h"
#include "offline/series/kinetic_tags.h"
#include "offline/series/path_tracking.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> splitText(const std::string& text, const std::string& at) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t to; (to = text.find(at, from)) != std::string::npos; from = to + at.size()) {
        parts.push_back(text.substr(from, to - from));
    }
    parts.push_back(text.substr(from));
    return parts;
}

// The value a group should have at a point, worked out from the counts file on its own.
std::int64_t groupMean(const fs::path& folder, const std::array<int, kSeriesSlots>& group,
                       int slot) {
    const auto counts = readCountsFile(countsFilePath(folder));
    std::int64_t total = 0;
    int channels = 0;
    for (int c = 0; c < 384; ++c) {
        const int g = group[static_cast<std::size_t>(c)];
        if ((g >= 0 && g < 384 ? g : kSeriesFreeSlot) != slot) {
            continue;
        }
        ++channels;
        for (const auto& r : counts->records) {
            total += r.counts[static_cast<std::size_t>(c)];
        }
    }
    return roundHalfEven(static_cast<double>(total) / channels);
}

TEST(RecordedRuns, JointReportOfThreeRunsReadsBackAsASpreadsheetTable) {
    testing::RunFixture run([](ProjectSetup& s) { s.Aq_lapse = 1; });
    run.open();
    std::vector<fs::path> folders;
    for (int i = 0; i < 3; ++i) {
        run.play("dose " + std::to_string(i));
        run.runToEnd();
        folders.push_back(run.folder());
        run.clock.advanceMs((i + 1) * 90 * 60'000LL);
    }
    const fs::path project = folders[0].parent_path();
    // Tagged newest first: the series still runs in start order.
    std::vector<TagTarget> targets;
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        targets.push_back({project, it->filename().string()});
    }
    ASSERT_TRUE(tagAcquisitions(targets, 1, run.clock).empty());

    const auto settings = readAcquisitionSettings(folders[0], run.dir.path(), run.ui);
    ASSERT_TRUE(settings.has_value());
    SeriesRequest request{project, "[K1]", settings->groups.channelGroup, false};
    const auto series = buildKineticSeries(request, run.ui);
    ASSERT_TRUE(series.has_value());
    const auto path = writeJointReport(project, *series, ";", run.clock, run.ui);
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(path->parent_path(), project);
    EXPECT_EQ(path->filename().string().substr(0, 12), "joint_report");

    const auto lines = splitText(testing::readBytes(*path), "\r\n");
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0].substr(0, 14), "Joint Report [");
    EXPECT_EQ(lines[1], "Acq:;" + folders[0].filename().string() + ";" +
                            folders[1].filename().string() + ";" + folders[2].filename().string());
    std::vector<std::string> expectedTimes{"Group/Time[min]"};
    const auto first = toEpochMs(*parseFolderStamp(folders[0].filename().string()));
    for (const auto& f : folders) {
        const auto start = toEpochMs(*parseFolderStamp(f.filename().string()));
        expectedTimes.push_back(std::to_string((start - first) / 60'000));
    }
    EXPECT_EQ(splitText(lines[2], ";"), expectedTimes);
    EXPECT_NE(expectedTimes[2], "0");
    // One line per group with channels, each value the group's counts per channel.
    ASSERT_EQ(lines.size(), 3 + series->groupSlots.size() + 1);
    EXPECT_EQ(lines.back(), "");
    std::int64_t busiest = 0;
    for (std::size_t g = 0; g < series->groupSlots.size(); ++g) {
        const auto cells = splitText(lines[3 + g], ";");
        ASSERT_EQ(cells.size(), 4u) << lines[3 + g];
        EXPECT_EQ(cells[0], seriesGroupLabel(series->groupSlots[g]));
        for (std::size_t p = 0; p < 3; ++p) {
            const std::int64_t expected =
                groupMean(folders[p], settings->groups.channelGroup, series->groupSlots[g]);
            EXPECT_EQ(cells[p + 1], std::to_string(expected)) << cells[0] << " at " << p;
            busiest = std::max(busiest, expected);
        }
    }
    EXPECT_GT(busiest, 0);
}

// Wells counted down each column: the virtual instrument numbers its six wells the way the
// plate format does.
TEST(RecordedRuns, PathTrackingFollowsEachLarvaAndLeavesTheEmptyWellAtZero) {
    sim::InstrumentConfig config;
    config.sixWellPlate = true;
    config.occupancy = 1;
    config.emptyWells = {2};
    config.seed = 11;
    testing::RunFixture run(
        [](ProjectSetup& s) {
            s.Plate_format = "w6";
            s.Mn1[mn1::Organism] = 1;
            s.Aq_lapse = 4;
        },
        config);
    run.open();
    run.play("larvae");
    run.runToEnd();

    PathTracker tracker;
    ASSERT_TRUE(tracker.start(run.folder(), run.dir.path(), run.ui));
    ASSERT_GE(tracker.blocks(), 15);
    while (tracker.step()) {
    }
    const sim::Plate& plate = run.sim->plate();
    std::vector<double> swum(6, 0.0);
    for (int o = 0; o < plate.organismCount(); ++o) {
        swum[static_cast<std::size_t>(plate.wellOf(o))] += plate.pathLength(o);
    }
    std::vector<double> tracked;
    for (const WellTrack& well : tracker.wells()) {
        tracked.push_back(well.distance);
    }
    EXPECT_EQ(tracked[2], 0) << "the empty well";
    EXPECT_EQ(swum[2], 0);
    for (const int w : {0, 1, 3, 4, 5}) {
        // Positions are whole beam crossings, so the track cuts the larva's corners: less than
        // it swam, but of its order.
        EXPECT_GT(tracked[w], 0.1 * swum[w]) << "well " << w;
        EXPECT_LT(tracked[w], swum[w]) << "well " << w;
    }
    // The larvae that swam least are the ones tracked least.
    const auto twoLeast = [](const std::vector<double>& v) {
        std::vector<int> order{0, 1, 3, 4, 5};
        std::sort(order.begin(), order.end(), [&](int a, int b) { return v[a] < v[b]; });
        return std::set<int>{order[0], order[1]};
    };
    EXPECT_EQ(twoLeast(tracked), twoLeast(swum));
    // Distance only ever adds up, block by block.
    double sum = 0;
    for (const auto& block : tracker.blockDistances()) {
        EXPECT_GE(block[0], 0);
        sum += block[0];
    }
    EXPECT_NEAR(sum, tracked[0], 1e-9);
}

}  // namespace
}  // namespace qv

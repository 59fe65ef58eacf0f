// quorvel-tool detect and inspect, run as a user runs them, on files the acquisition writers
// make: the JSON they print against the library's own reading of the same records.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <random>
#include <string>

#include "analysis/activity_detection.h"
#include "analysis/activity_files.h"
#include "common/file_util.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// Two raw blocks in 0.bin: noisy light with dips in every channel, and in block 1 channel 9
// at the 16-bit limits (its lines overflow).
class DetectionToolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        tool_ = testing::binaryDir() / "src/cli/quorvel-tool";
        if (!fs::exists(tool_)) {
            GTEST_SKIP() << "quorvel-tool not built";
        }
        std::mt19937 rng(5);
        std::uniform_int_distribution<int> noise(-20, 20), percent(0, 99);
        for (int b = 0; b < 2; ++b) {
            SampleBlock block;
            for (int c = 0; c < SampleBlock::kBeams; ++c) {
                for (int s = 0; s < block.samplesPerChannel(); ++s) {
                    int v = 2000 + 3 * c + noise(rng);
                    v = percent(rng) < 4 ? v / 2 : (percent(rng) == 0 ? 3 * v : v);
                    if (b == 1 && c == 9) {
                        v = s % 2 == 0 ? 32767 : -32768;
                    }
                    block.at(c, s) = static_cast<std::int16_t>(v);
                }
            }
            blocks_.push_back(block);
            ASSERT_TRUE(appendRawBlock(dir_.path(), 0, block));
        }
    }

    testing::ProgramRun run(const std::string& args) {
        return testing::runProgram(tool_, args, dir_ / "stderr.txt");
    }

    std::string raw() const { return "'" + rawFilePath(dir_.path(), 0).string() + "'"; }

    testing::TempDir dir_;
    fs::path tool_;
    std::vector<SampleBlock> blocks_;
};

TEST_F(DetectionToolTest, DetectPrintsTheCountClippedSamplesLineMarksAndHistogram) {
    for (int method : {0, 1, 2, 3}) {
        const double snr = method == 3 ? 0.9 : 1.8;
        const auto r =
            run("detect " + raw() + " --record 0 --channel 5 --method " + std::to_string(method) +
                " --snr " + std::to_string(snr) + " --histogram 2");
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const json out = json::parse(r.out);

        SampleBlock block = blocks_[0];
        ActivityDetector d;
        const std::int16_t count =
            d.DetectActivity(block, 5, snr, static_cast<std::int16_t>(method), 0, {}, 0);
        PeriodHistogramBins bins{};
        d.PeriodHistogram(block, 5, bins, 2);

        SCOPED_TRACE(::testing::Message() << "method " << method);
        EXPECT_EQ(out["count"], count);
        EXPECT_GT(count, 0) << "the dips should count";
        ASSERT_EQ(out["clipped"].size(), 500u);
        ASSERT_EQ(out["threshold_trace"].size(), 500u);
        for (int s = 0; s < 500; ++s) {
            ASSERT_EQ(out["clipped"][s], block.at(5, s)) << s;
            ASSERT_EQ(out["threshold_trace"][s], d.ThresholdTrace[static_cast<std::size_t>(s)]);
        }
        EXPECT_EQ(out["marks"], std::string(d.marks()));
        EXPECT_EQ(out["histogram"].get<std::vector<int>>(),
                  std::vector<int>(bins.begin(), bins.end()));
    }
    // Without --histogram there is no histogram.
    const auto r = run("detect " + raw() + " --record 1 --channel 5 --method 1 --snr 1.8");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(json::parse(r.out).contains("histogram"));
}

TEST_F(DetectionToolTest, DetectTellsFailuresFromCounts) {
    const auto overflow = run("detect " + raw() + " --record 1 --channel 9 --method 1 --snr 1.8");
    EXPECT_EQ(overflow.exitCode, 1);
    EXPECT_NE(overflow.err.find("Detection failed"), std::string::npos) << overflow.err;
    EXPECT_TRUE(overflow.out.empty()) << "no count may be printed for a failed call";

    const auto missing = run("detect " + raw() + " --record 2 --channel 0 --method 1 --snr 1.8");
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("No whole record 2"), std::string::npos) << missing.err;

    const auto badChannel =
        run("detect " + raw() + " --record 0 --channel 384 --method 1 --snr 1.8");
    EXPECT_NE(badChannel.exitCode, 0);
    EXPECT_TRUE(badChannel.out.empty());
}

TEST_F(DetectionToolTest, InspectCountsRecordsAndTrailingBytesOfEachKind) {
    // counts.bin: three records and half of a fourth.
    for (int m = 0; m < 3; ++m) {
        CountsRecord record;
        record.minutes = m;
        record.counts[7] = static_cast<std::int16_t>(10 + m);
        record.counts[384] = 253;
        ASSERT_TRUE(appendCountsRecord(dir_.path(), record));
    }
    ASSERT_TRUE(appendFile(countsFilePath(dir_.path()), std::string(387, '\0')));
    auto r = run("inspect '" + countsFilePath(dir_.path()).string() + "' --records 1:");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    json out = json::parse(r.out);
    EXPECT_EQ(out["kind"], "counts");
    EXPECT_EQ(out["record_count"], 3);
    EXPECT_EQ(out["trailing_bytes"], 387);
    ASSERT_EQ(out["records"].size(), 2u);
    EXPECT_EQ(out["records"][0]["index"], 1);
    EXPECT_EQ(out["records"][1]["counts"][7], 12);
    EXPECT_EQ(out["records"][1]["temperature_x10"], 253);

    // The raw file: both blocks, the samples as stored.
    r = run("inspect " + raw() + " --records 1");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    out = json::parse(r.out);
    EXPECT_EQ(out["kind"], "raw");
    EXPECT_EQ(out["record_count"], 2);
    EXPECT_EQ(out["trailing_bytes"], 0);
    EXPECT_EQ(out["records"][0]["channels"][9][0], 32767);
    EXPECT_EQ(out["records"][0]["channels"][4][17], blocks_[1].at(4, 17));

    // A name that tells nothing, and a range that is not one.
    r = run("inspect '" + (dir_ / "notes.txt").string() + "'");
    EXPECT_EQ(r.exitCode, 2);
    r = run("inspect " + raw() + " --records x:y");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("Invalid record range"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace qv

// The block sweep of methods 0 and 1 in every build of its lanes (baseline, AVX2, AVX-512, as
// far as this processor runs them) against one DetectActivity call per channel: the same
// counts, the same clipped block, and on a 16-bit failure the same block as the calls leave
// when they stop at the failed channel. The integer lanes hand values they cannot vouch for
// to the double lanes; the blocks below drive both ways, and the test checks that each way
// was taken.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "analysis/activity_detection.h"
#include "analysis/detection_lanes.h"

namespace qv {
namespace {

using detail::LaneIsa;

struct Outcome {
    SampleBlock block;
    std::vector<std::int16_t> counts;
    bool failed = false;
    std::string error;
};

Outcome oneCallPerChannel(SampleBlock block, const std::vector<std::int16_t>& channels, double snr,
                          std::int16_t method) {
    ActivityDetector detector;
    Outcome out{std::move(block), std::vector<std::int16_t>(channels.size()), false, {}};
    try {
        for (std::size_t i = 0; i < channels.size(); ++i) {
            out.counts[i] = detector.DetectActivity(out.block, channels[i], snr, method, 0, {}, 0);
        }
    } catch (const Overflow16Error&) {
        out.failed = true;
    }
    return out;
}

Outcome sweep(detail::LaneWorkspace& w, SampleBlock block,
              const std::vector<std::int16_t>& channels, double snr, std::int16_t method) {
    Outcome out{std::move(block), std::vector<std::int16_t>(channels.size()), false, {}};
    try {
        for (std::size_t i = 0; i < channels.size(); i += detail::kSweepGroup) {
            const int n =
                static_cast<int>(std::min<std::size_t>(detail::kSweepGroup, channels.size() - i));
            detail::detectThresholdLanes(w, out.block, channels.data() + i, n, snr, method,
                                         out.counts.data() + i);
        }
    } catch (const Overflow16Error& e) {
        out.failed = true;
        out.error = e.what();
    }
    return out;
}

enum class Kind {
    Light,     // levels 200..9998 with noise, dips and spikes
    Flat,      // a constant per channel, a multiple of 100: every scaled mean is an integer
    Steps,     // a few levels held for a few samples: many window-mean ties
    NearFlat,  // flat but for one shallow dip: a margin a hair above 1 (with a tiny snr)
    Extreme,   // anything in the 16-bit range
};

void fill(SampleBlock& block, std::int16_t channel, Kind kind, std::mt19937& rng) {
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const int base = pick(200, 9000);
    int held = 0, level = base;
    for (int s = 0; s < block.samplesPerChannel(); ++s) {
        int v = base;
        switch (kind) {
            case Kind::Light:
                v = base + pick(-25, 25);
                if (pick(0, 99) < 4) {
                    v /= 2;
                } else if (pick(0, 199) == 0) {
                    v = std::min(2 * base, 9998);
                }
                break;
            case Kind::Flat:
                v = base / 100 * 100;
                break;
            case Kind::Steps:
                if (held == 0) {
                    level = base + pick(-3, 3) * 7;
                    held = pick(1, 4);
                }
                --held;
                v = level;
                break;
            case Kind::NearFlat:
                v = s == 200 ? 999 : 1000;
                break;
            case Kind::Extreme:
                v = pick(-32768, 32767);
                break;
        }
        block.at(channel, s) = static_cast<std::int16_t>(v);
    }
}

class DetectionLanes : public ::testing::TestWithParam<LaneIsa> {
  protected:
    void SetUp() override {
        workspace_ = detail::makeLaneWorkspace();
        if (!detail::useLaneIsa(*workspace_, GetParam())) {
            GTEST_SKIP() << "this processor does not run that build";
        }
    }

    // Runs both ways and compares; returns whether the calls failed.
    bool compare(const SampleBlock& block, const std::vector<std::int16_t>& channels, double snr,
                 std::int16_t method) {
        const Outcome want = oneCallPerChannel(block, channels, snr, method);
        const Outcome got = sweep(*workspace_, block, channels, snr, method);
        EXPECT_EQ(got.failed, want.failed);
        EXPECT_TRUE(got.block == want.block) << "the clipped samples differ";
        if (!want.failed) {
            EXPECT_EQ(got.counts, want.counts);
        }
        return want.failed;
    }

    const detail::LanePaths& paths() const { return detail::lanePaths(*workspace_); }

    detail::LaneWorkspacePtr workspace_;
};

std::vector<std::int16_t> allChannels() {
    std::vector<std::int16_t> channels(SampleBlock::kBeams);
    std::iota(channels.begin(), channels.end(), std::int16_t{0});
    return channels;
}

TEST_P(DetectionLanes, EveryKindOfBlockGivesTheCountsAndClippingOfOneCallPerChannel) {
    std::mt19937 rng(31337);
    const double snrs[] = {1.8, 1.1, 3.0, 6.0, 0.0, -2.0};
    int round = 0;
    for (Kind kind : {Kind::Light, Kind::Flat, Kind::Steps}) {
        for (std::int16_t method : {0, 1}) {
            for (int repeat = 0; repeat < 2; ++repeat, ++round) {
                std::vector<std::int16_t> channels = allChannels();
                if (repeat == 1) {  // a scattered subset in shuffled order, odd-sized groups
                    std::shuffle(channels.begin(), channels.end(), rng);
                    channels.resize(101);
                }
                SampleBlock block;
                for (std::int16_t c : channels) {
                    fill(block, c, kind, rng);
                }
                SCOPED_TRACE(::testing::Message() << "kind " << static_cast<int>(kind) << " method "
                                                  << method << " round " << round);
                EXPECT_FALSE(compare(block, channels, snrs[round % 6], method));
            }
        }
    }
    // Plausible light stays in the integer lanes, flat light included, but for the odd value
    // a hair off an integer: a margin such as 23.000000000000004 times a round window mean.
    EXPECT_GT(paths().integerClips, 20 * paths().doubleClips);
    EXPECT_GT(paths().integerCounts, 20 * paths().doubleCounts);
}

TEST_P(DetectionLanes, ValuesTheIntegersCannotVouchForGoToTheDoubleLanesWithTheSameResult) {
    std::mt19937 rng(4);
    std::vector<std::int16_t> channels = allChannels();
    channels.resize(40);

    // A margin of 1 + 1e-13: scaled means a hair above integers.
    SampleBlock nearFlat;
    for (std::int16_t c : channels) {
        fill(nearFlat, c, Kind::NearFlat, rng);
    }
    EXPECT_FALSE(compare(nearFlat, channels, 1e-12, 1));
    EXPECT_GT(paths().doubleClips, 0);
    EXPECT_GT(paths().doubleCounts, 0);

    // Huge or undefined margins: the lines leave the 16-bit range in both ways alike.
    SampleBlock light;
    for (std::int16_t c : channels) {
        fill(light, c, Kind::Light, rng);
    }
    for (double snr : {250.0, 1e6, -1e6, std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity()}) {
        SCOPED_TRACE(::testing::Message() << "snr " << snr);
        compare(light, channels, snr, 0);
        compare(light, channels, snr, 1);
    }
}

TEST_P(DetectionLanes, AFailedChannelLeavesTheBlockAsTheCallsWouldStoppingThere) {
    std::mt19937 rng(77);
    int failures = 0;
    for (int round = 0; round < 12; ++round) {
        std::vector<std::int16_t> channels = allChannels();
        channels.resize(48);
        SampleBlock block;
        for (std::int16_t c : channels) {
            // One wild channel somewhere in the middle of a group.
            fill(block, c, c == 19 + round ? Kind::Extreme : Kind::Light, rng);
        }
        SCOPED_TRACE(::testing::Message() << "round " << round);
        if (compare(block, channels, 1.8, static_cast<std::int16_t>(round % 2))) {
            ++failures;
            const Outcome got = sweep(*workspace_, block, channels, 1.8, round % 2);
            EXPECT_NE(got.error.find("channel " + std::to_string(19 + round)), std::string::npos)
                << got.error;
        }
    }
    EXPECT_GT(failures, 3) << "the wild channels should mostly overflow";
}

INSTANTIATE_TEST_SUITE_P(EveryBuild, DetectionLanes,
                         ::testing::Values(LaneIsa::Baseline, LaneIsa::Avx2, LaneIsa::Avx512),
                         [](const ::testing::TestParamInfo<LaneIsa>& info) {
                             switch (info.param) {
                                 case LaneIsa::Avx2:
                                     return std::string("Avx2");
                                 case LaneIsa::Avx512:
                                     return std::string("Avx512");
                                 default:
                                     return std::string("Baseline");
                             }
                         });

}  // namespace
}  // namespace qv

// Random blocks, from plausible light levels to values at the 16-bit limits, through every
// method: each call either returns the count of the plain step-by-step reading of the
// algorithm, with the same clipped samples, traces and marks, or fails with the 16-bit
// error exactly where that reading forms an out-of-range 16-bit result.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "analysis/activity_detection.h"
#include "analysis/detection_reference.h"

namespace qv {
namespace {

enum class Shape { Light, Wide, Extreme, Spiky };

void fillChannel(SampleBlock& block, int channel, Shape shape, std::mt19937& rng) {
    std::uniform_int_distribution<int> any(-32768, 32767);
    std::uniform_int_distribution<int> noise(-30, 30);
    std::uniform_int_distribution<int> percent(0, 99);
    const int base = std::uniform_int_distribution<int>(200, 4000)(rng);
    for (int s = 0; s < block.samplesPerChannel(); ++s) {
        int v = base + noise(rng);
        switch (shape) {
            case Shape::Light:
                v = percent(rng) < 3 ? v / 2 : v;  // animal dips
                break;
            case Shape::Wide:
                v = std::uniform_int_distribution<int>(0, 9998)(rng);
                break;
            case Shape::Extreme:
                v = percent(rng) < 50 ? any(rng) : (percent(rng) < 50 ? 32767 : -32768);
                break;
            case Shape::Spiky:
                v = percent(rng) < 5 ? 32767 - percent(rng) : (percent(rng) < 5 ? -32768 : v);
                break;
        }
        block.at(channel, s) = static_cast<std::int16_t>(v);
    }
}

double pickSnr(std::mt19937& rng, int round) {
    const double usual[] = {0.5, 0.9, 1.1, 1.5, 1.8, 3.0, 5.0, 6.0};
    if (round % 7 == 6) {
        const double odd[] = {0.0, -3.0, 250.0, 1e6, -1e6};
        return odd[std::uniform_int_distribution<int>(0, 4)(rng)];
    }
    return usual[std::uniform_int_distribution<int>(0, 7)(rng)];
}

TEST(DetectionFuzz, EveryMethodMatchesTheStepByStepReadingOrFailsWhereItOverflows) {
    std::mt19937 rng(20240611);
    const int methods[] = {0, 1, 2, 3, 4, -7};
    int overflows = 0, calls = 0, counted = 0;
    for (int round = 0; round < 400; ++round) {
        const Shape shape = static_cast<Shape>(round % 4);
        const int channel = std::uniform_int_distribution<int>(0, 383)(rng);
        const int method = methods[round % 6];
        const double snr = pickSnr(rng, round);
        SampleBlock block;
        fillChannel(block, channel, shape, rng);
        SampleBlock expectedBlock = block;

        ActivityDetector d;
        d.ThresholdTrace.fill(11);
        d.EventTrace.fill(0);
        const auto ref = qv::testing::referenceDetect(expectedBlock, channel, snr, method,
                                                      d.ThresholdTrace, d.EventTrace);
        SCOPED_TRACE(::testing::Message()
                     << "round " << round << " method " << method << " snr " << snr);
        ++calls;
        try {
            const std::int16_t count =
                d.DetectActivity(block, static_cast<std::int16_t>(channel), snr,
                                 static_cast<std::int16_t>(method), 0, {}, 0);
            ASSERT_FALSE(ref.overflow) << "the detector missed a 16-bit overflow";
            EXPECT_EQ(count, ref.count);
            EXPECT_EQ(d.marks(), ref.marks);
            counted += count > 0 ? 1 : 0;
            EXPECT_GE(count, 0);
            EXPECT_LE(count, method == 0 ? 16 : 500);
        } catch (const Overflow16Error&) {
            ++overflows;
            ASSERT_TRUE(ref.overflow) << "an overflow the steps do not have";
        }
        ASSERT_EQ(block, expectedBlock) << "clipping differs";
        ASSERT_EQ(d.ThresholdTrace, ref.thresholdTrace);
        ASSERT_EQ(d.EventTrace, ref.eventTrace);

        PeriodHistogramBins bins;
        EXPECT_EQ(d.PeriodHistogram(block, static_cast<std::int16_t>(channel), bins, 1.8), 1);
        EXPECT_EQ(bins[0], 0);
        EXPECT_EQ(bins[1], 0);
    }
    // Both outcomes must actually have been exercised.
    EXPECT_GT(overflows, 10);
    EXPECT_LT(overflows, calls - 100);
    EXPECT_GT(counted, 50);
}

TEST(DetectionFuzz, PlausibleLightLevelsNeverFail) {
    std::mt19937 rng(7);
    ActivityDetector d;
    for (int round = 0; round < 200; ++round) {
        SampleBlock block;
        const int channel = round % 384;
        fillChannel(block, channel, Shape::Light, rng);
        for (std::int16_t method = 0; method <= 3; ++method) {
            const double snr = method == 3 ? 0.9 : 1.8;
            EXPECT_NO_THROW(
                d.DetectActivity(block, static_cast<std::int16_t>(channel), snr, method, 0, {}, 0))
                << round << " " << method;
        }
    }
}

// The block sweep against the channel-by-channel calls it stands for.
TEST(DetectionFuzz, BlockSweepGivesTheCountsAndClippingOfOneCallPerChannel) {
    std::mt19937 rng(99);
    ActivityDetector single;
    ActivityDetector sweep;
    int failures = 0;
    for (int round = 0; round < 24; ++round) {
        const auto method = static_cast<std::int16_t>(round % 5);  // 2..4 take the plain path
        std::vector<std::int16_t> channels;
        for (std::int16_t c = 0; c < 384; ++c) {
            if (round % 3 != 2 || std::uniform_int_distribution<int>(0, 2)(rng) == 0) {
                channels.push_back(c);  // every third round a scattered subset
            }
        }
        SampleBlock block;
        for (std::int16_t c : channels) {
            const bool wild = round % 4 == 3 && c == channels.back() - 3;
            fillChannel(block, c, wild ? Shape::Extreme : Shape::Light, rng);
        }
        SampleBlock expected = block;
        std::vector<std::int16_t> want(channels.size()), got(channels.size(), -1);
        bool failed = false;
        try {
            for (std::size_t i = 0; i < channels.size(); ++i) {
                want[i] = single.DetectActivity(expected, channels[i], 1.8, method, 0, {}, 0);
            }
        } catch (const Overflow16Error&) {
            failed = true;
        }
        sweep.ThresholdTrace.fill(5);
        SCOPED_TRACE(::testing::Message() << "round " << round << " method " << method);
        if (failed) {
            ++failures;
            EXPECT_THROW(sweep.DetectActivityBlock(block, channels, 1.8, method, got),
                         Overflow16Error);
            continue;
        }
        sweep.DetectActivityBlock(block, channels, 1.8, method, got);
        EXPECT_EQ(got, want);
        EXPECT_EQ(block, expected);
        EXPECT_EQ(sweep.ThresholdTrace[100], 5) << "the sweep leaves the traces alone";
    }
    EXPECT_GT(failures, 0);
    EXPECT_LT(failures, 12);

    SampleBlock block;
    std::vector<std::int16_t> twice{3, 4, 3}, counts(3);
    EXPECT_THROW(sweep.DetectActivityBlock(block, twice, 1.8, 1, counts), std::invalid_argument);
    std::vector<std::int16_t> bad{3, 384};
    EXPECT_THROW(sweep.DetectActivityBlock(block, bad, 1.8, 1, counts), DetectionError);
}

}  // namespace
}  // namespace qv

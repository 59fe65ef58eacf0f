#include "analysis/activity_detection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "common/file_util.h"
#include "support/temp_dir.h"

namespace qv {
namespace {

constexpr int kChannel = 7;

SampleBlock constantBlock(std::int16_t value) {
    SampleBlock block;
    for (int s = 0; s < 500; ++s) {
        block.at(kChannel, s) = value;
    }
    return block;
}

// A flat 1000 baseline with plateau dips (two equal samples), which create no strict
// extremum, so the envelopes stay at the baseline and the lines stay those of a constant.
void plateau(SampleBlock& block, int from, int to, std::int16_t value) {
    for (int s = from; s <= to; ++s) {
        block.at(kChannel, s) = value;
    }
}

std::int16_t detect(ActivityDetector& d, SampleBlock& block, int method, double snr = 1.5) {
    return d.DetectActivity(block, kChannel, snr, static_cast<std::int16_t>(method), 0, {}, 0);
}

TEST(DetectActivity, ConstantSignalHoldsTheLineBelowTheBaselineAndCountsNothing) {
    for (int method : {0, 1}) {
        SampleBlock block = constantBlock(1000);
        const SampleBlock before = block;
        ActivityDetector d;
        EXPECT_EQ(detect(d, block, method), 0);
        EXPECT_EQ(block, before) << "the clip line is 1010, nothing is clipped";
        const std::int16_t expected[] = {982, 982, 982, 982, 984, 984, 985, 986, 986, 987, 987};
        for (int u = 0; u < 11; ++u) {
            EXPECT_EQ(d.ThresholdTrace[u], expected[u]) << "sample " << u;
        }
        for (int u = 11; u < 500; ++u) {
            ASSERT_EQ(d.ThresholdTrace[u], 988) << "ties to even hold it at 988, sample " << u;
        }
        EXPECT_EQ(d.marks(), std::string(500, '0'));
    }
    SampleBlock block = constantBlock(1000);
    ActivityDetector d;
    EXPECT_EQ(detect(d, block, 3, 0.9), 0);
    for (int u = 0; u < 500; ++u) {
        ASSERT_EQ(d.ThresholdTrace[u], 900) << u;
    }
    EXPECT_EQ(detect(d, block, 2), 0);
}

TEST(DetectActivity, AllZeroBlockCountsNothingUnderAnyMethod) {
    for (int method : {0, 1, 2, 3}) {
        SampleBlock block;
        ActivityDetector d;
        EXPECT_EQ(detect(d, block, method, 0.9), 0) << method;
        if (method != 2) {
            for (int u = 0; u < 500; ++u) {
                ASSERT_EQ(d.ThresholdTrace[u], 0) << method << " " << u;
            }
        }
        for (int u = 0; u < 500; ++u) {
            ASSERT_EQ(d.EventTrace[u], 0);
        }
    }
}

TEST(DetectActivity, MethodOneNeedsASampleStrictlyAboveTheLineToCountAgain) {
    // The line is 988 from sample 11 on; a long dip counts once.
    SampleBlock longDip = constantBlock(1000);
    plateau(longDip, 100, 300, 500);
    ActivityDetector d;
    EXPECT_EQ(detect(d, longDip, 1), 1);
    EXPECT_EQ(d.EventTrace[100], -1);
    EXPECT_EQ(d.marks()[100], '1');

    // Two dips separated by samples equal to the line: no re-arm.
    SampleBlock onTheLine = constantBlock(1000);
    plateau(onTheLine, 100, 109, 900);
    plateau(onTheLine, 110, 111, 988);
    plateau(onTheLine, 112, 120, 900);
    EXPECT_EQ(detect(d, onTheLine, 1), 1);

    // One count higher and the samples between re-arm the counter.
    SampleBlock above = onTheLine;
    plateau(above, 110, 111, 989);
    ActivityDetector fresh;
    EXPECT_EQ(detect(fresh, above, 1), 2);
    EXPECT_EQ(fresh.EventTrace[112], -1);
}

TEST(DetectActivity, MethodZeroCountsAtMostOncePerThirtySampleWindow) {
    SampleBlock busy = constantBlock(1000);
    for (int s = 3; s < 500; s += 10) {
        plateau(busy, s, s + 1, 500);
    }
    SampleBlock same = busy;
    ActivityDetector d;
    EXPECT_EQ(detect(d, busy, 0), 16);
    for (int u = 0; u < 500; ++u) {
        ASSERT_EQ(d.EventTrace[u], (u > 0 && u % 30 == 0) ? -1 : 0) << u;
    }
    ActivityDetector crossings;
    EXPECT_EQ(detect(crossings, same, 1), 50) << "the same block under method 1";

    SampleBlock late = constantBlock(1000);
    plateau(late, 485, 486, 500);
    EXPECT_EQ(detect(d, late, 0), 0) << "a dip after sample 480 falls in no window";
}

TEST(DetectActivity, SpikeIsClippedToTheClipLineInTheCallersBlockAndReArms) {
    SampleBlock block = constantBlock(1000);
    plateau(block, 200, 249, 500);
    plateau(block, 250, 251, 5000);
    plateau(block, 252, 300, 500);
    ActivityDetector d;
    EXPECT_EQ(detect(d, block, 1), 2);
    EXPECT_EQ(block.at(kChannel, 250), 1010);
    EXPECT_EQ(block.at(kChannel, 251), 1010);
    EXPECT_EQ(block.at(kChannel, 249), 500);
    EXPECT_EQ(block.at(kChannel + 1, 250), 0) << "other channels untouched";

    SampleBlock noSpike = constantBlock(1000);
    plateau(noSpike, 200, 300, 500);
    EXPECT_EQ(detect(d, noSpike, 1), 1);
}

TEST(DetectActivity, OtherMethodValuesClipButCountNothingAndLeaveTheTraces) {
    for (int method : {4, -1, 32767}) {
        SampleBlock block = constantBlock(1000);
        plateau(block, 100, 120, 500);
        plateau(block, 250, 251, 5000);
        ActivityDetector d;
        d.ThresholdTrace.fill(123);
        d.EventTrace.fill(7);
        EXPECT_EQ(detect(d, block, method), 0);
        EXPECT_EQ(block.at(kChannel, 250), 1010);
        for (int u = 0; u < 501; ++u) {
            ASSERT_EQ(d.ThresholdTrace[u], 123);
            ASSERT_EQ(d.EventTrace[u], 7);
        }
    }
}

TEST(DetectActivity, MotilityIndexCountsSlowMonotonicRuns) {
    // A slow triangle wave, 24 samples each way, with flat turns so that it has no strict
    // extremum: the ripple and with it the noise floor stay at their minimum of 5, and every
    // slope changes by far more than that within 10 samples. The block starts on a top, so
    // the clip line (seeded from sample 1) lies above the whole wave.
    SampleBlock block;
    for (int s = 0; s < 500; ++s) {
        const int phase = (s + 24) % 50;
        const int rise = std::clamp(phase < 25 ? phase : 50 - phase, 1, 24);
        block.at(kChannel, s) = static_cast<std::int16_t>(1000 + 8 * rise);
    }
    const SampleBlock before = block;
    ActivityDetector d;
    const std::int16_t count = detect(d, block, 2);
    EXPECT_EQ(block, before);
    EXPECT_EQ(count, 20) << "one event per slope";
    EXPECT_EQ(std::count(d.marks().begin(), d.marks().end(), '1'), count);
    for (int u = 0; u < 500; ++u) {
        ASSERT_EQ(d.EventTrace[u], 0) << "method 2 flags marks only";
    }
}

TEST(DetectActivity, MarksLineIsAppendedPerCallOnlyWhenAskedWithOne) {
    qv::testing::TempDir dir;
    SampleBlock block = constantBlock(1000);
    plateau(block, 100, 120, 500);
    plateau(block, 300, 320, 500);
    ActivityDetector d;
    EXPECT_EQ(d.DetectActivity(block, kChannel, 1.5, 1, 1, dir.path(), 12), 2);
    EXPECT_EQ(d.DetectActivity(block, kChannel, 1.5, 1, 2, dir.path(), 13), 2);
    EXPECT_EQ(d.DetectActivity(block, kChannel, 1.5, 1, 1, dir.path(), -4), 2);
    std::string flags(500, '0');
    flags[100] = flags[300] = '1';
    EXPECT_EQ(qv::testing::readBytes(dir / "ch7.raw"),
              "12 " + flags + "\r\n" + "-4 " + flags + "\r\n");
    EXPECT_EQ(marksFilePath(dir.path(), 383), dir / "ch383.raw");

    try {
        d.DetectActivity(block, kChannel, 1.5, 1, 1, dir / "missing" / "folder", 12);
        FAIL() << "an unwritable marks file must fail the call";
    } catch (const DetectionError& e) {
        EXPECT_EQ(e.fault(), DetectionFault::MarksFileFailed);
    }
}

TEST(DetectActivity, ArithmeticAndIndexFailuresAreTypedErrorsNotCounts) {
    qv::testing::TempDir dir;
    ActivityDetector d;
    SampleBlock high = constantBlock(32767);  // the clip line 1.01 x 32767 is out of range
    EXPECT_THROW(d.DetectActivity(high, kChannel, 1.5, 1, 1, dir.path(), 1), Overflow16Error);
    EXPECT_FALSE(isRegularFile(dir / "ch7.raw")) << "a failed call writes no marks line";

    SampleBlock block = constantBlock(1000);
    EXPECT_THROW(detect(d, block, 1, std::nan("")), Overflow16Error);

    auto faultOf = [&](SampleBlock& b, std::int16_t channel) {
        try {
            d.DetectActivity(b, channel, 1.5, 1, 0, {}, 0);
        } catch (const DetectionError& e) {
            return e.fault();
        }
        ADD_FAILURE() << "no error for channel " << channel;
        return DetectionFault::MarksFileFailed;
    };
    EXPECT_EQ(faultOf(block, 384), DetectionFault::ChannelOutOfRange);
    EXPECT_EQ(faultOf(block, -1), DetectionFault::ChannelOutOfRange);
    SampleBlock shortBlock(498);  // 499 samples per channel
    EXPECT_EQ(faultOf(shortBlock, 0), DetectionFault::BlockTooShort);
    SampleBlock justEnough(499);
    EXPECT_NO_THROW(d.DetectActivity(justEnough, 0, 1.5, 1, 0, {}, 0));
}

TEST(PeriodHistogram, RegularDropsTenSamplesApartFallIntoBinTen) {
    SampleBlock block;
    for (int s = 0; s < 501; ++s) {
        block.at(kChannel, s) = static_cast<std::int16_t>(
            std::lround(1000 - 100 * std::cos(2 * std::numbers::pi * s / 10)));
    }
    ActivityDetector d;
    PeriodHistogramBins bins;
    bins.fill(99);
    EXPECT_EQ(d.PeriodHistogram(block, kChannel, bins, 1.8), 1);
    PeriodHistogramBins expected{};
    expected[10] = 49;  // troughs at 10, 20, ..., 490
    EXPECT_EQ(bins, expected);

    // Drops shallower than the threshold are not drops at all.
    EXPECT_EQ(d.PeriodHistogram(block, kChannel, bins, 500), 1);
    EXPECT_EQ(bins, PeriodHistogramBins{});
    EXPECT_THROW(d.PeriodHistogram(block, kChannel, bins, 40000), Overflow16Error);
}

}  // namespace
}  // namespace qv

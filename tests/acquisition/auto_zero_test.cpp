// The auto-zero: ripple and level of a channel, its threshold, and the whole measurement
// against the virtual instrument.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "acquisition/auto_zero.h"
#include "care_rig.h"

namespace qv {
namespace {

using testing::CareRig;

TEST(AutoZeroMath, FlatChannelHasNoRippleAndTheLowestThreshold) {
    const std::vector<std::int16_t> flat(30, 2000);
    const RippleAndLevel r = rippleAndLevel(flat);
    EXPECT_EQ(r.ripple, 0);
    EXPECT_EQ(r.level, 2000);
    EXPECT_DOUBLE_EQ(zeroThreshold(r, 1.8), 1.8);
    EXPECT_DOUBLE_EQ(zeroThreshold({0, 0}, 1.8), 1.8);  // no light at all
}

TEST(AutoZeroMath, LevelTwoThousandRippleTwentyAtSnrOnePointEightGivesTwoPointEight) {
    EXPECT_NEAR(zeroThreshold({20, 2000}, 1.8), 2.8, 1e-9);
    EXPECT_NEAR(zeroThreshold({20, 2000}, 2.5), 3.5, 1e-9);
}

TEST(AutoZeroMath, EnvelopeFollowsTheLatestPeakAndTroughFromSampleTen) {
    // A zigzag of height 10 around 1000 from sample 10 on; what comes before is not looked at.
    std::vector<std::int16_t> s(30, 0);
    for (std::size_t j = 10; j < s.size(); ++j) {
        s[j] = static_cast<std::int16_t>(j % 2 == 0 ? 1005 : 995);
    }
    const RippleAndLevel r = rippleAndLevel(s);
    // Sample 10 opens the envelope at 1005/1005; 11 is the first trough, so 11 counts 10 and
    // every later sample too: the mean ripple is 10.
    EXPECT_EQ(r.ripple, 10);
    EXPECT_EQ(r.level, 1000);
    // Means round halves to even: samples 11..28 summing to x.5 per sample.
    std::vector<std::int16_t> h(30, 0);
    for (std::size_t j = 10; j < h.size(); ++j) {
        h[j] = static_cast<std::int16_t>(j < 20 ? 1000 : 1001);  // 9 x 1000 + 9 x 1001
    }
    EXPECT_EQ(rippleAndLevel(h).level, 1000);  // 1000.5 -> 1000
}

struct ZeroRig : CareRig {
    CalibrationStatus status{controlOf(controls, "lbl_autochannel", ControlKind::Label),
                             control("picturecal")};
    AutoZeroResult run() { return AutoZero(*care, status).run(); }
};

sim::InstrumentConfig acquisitionForm() {
    sim::InstrumentConfig c;
    c.blockForm = sim::BlockForm::Acquisition;
    c.plateInserted = false;
    return c;
}

TEST(AutoZero, ThirtySamplesSetEveryChannelsThreshold) {
    ZeroRig r;
    r.instrument(acquisitionForm());
    r.state.runState = 1;
    r.state.snrThreshold = 1.8;
    auto& thresholds = r.store().setup().channelThreshold;
    thresholds.fill(3.0);
    const AutoZeroResult result = r.run();
    EXPECT_TRUE(result.applied);
    EXPECT_EQ(result.samples, 30);
    EXPECT_TRUE(r.ui.messages.empty());
    EXPECT_EQ(r.status.text(), "AutoZero... <29>");
    // Channels with light of their own in this form (even ones) read their beam; the others
    // carry nothing and get the lowest threshold.
    for (int c = 0; c < kChannels; ++c) {
        const auto i = static_cast<std::size_t>(c);
        const RippleAndLevel& rl = result.channels[i];
        EXPECT_DOUBLE_EQ(thresholds[i], zeroThreshold(rl, 1.8)) << c;
        if (c % 2 == 1) {
            EXPECT_EQ(rl.level, 0) << c;
        } else {
            EXPECT_GT(rl.level, 1000) << c;
            EXPECT_LT(rl.ripple, 40) << c;  // receiver noise only: no plate
        }
    }
    EXPECT_EQ(thresholds[384], 3.0);
    // Warm-up of 64 blocks, then 30 samples of 64 blocks, each a 48-byte read.
    EXPECT_EQ(r.framesFrom(0).size(), 64u * 31u);
}

TEST(AutoZero, WithManualCalibrationItTakesAHundredSamples) {
    ZeroRig r;
    r.instrument(acquisitionForm());
    r.state.runState = 1;
    r.state.autoCalibration = false;
    EXPECT_EQ(r.run().samples, 100);
}

TEST(AutoZero, StopAfterTenSamplesChangesNoThreshold) {
    ZeroRig r;
    r.instrument(acquisitionForm());
    r.state.runState = 1;
    auto& thresholds = r.store().setup().channelThreshold;
    thresholds.fill(3.0);
    r.ui.onEvents = [&] { r.state.runState = 0; };
    const AutoZeroResult result = r.run();
    EXPECT_TRUE(result.stopped);
    EXPECT_FALSE(result.applied);
    EXPECT_EQ(r.status.text(), "AutoZero... <9>");
    EXPECT_EQ(r.framesFrom(0).size(), 64u * 11u);
    for (double t : thresholds) {
        EXPECT_EQ(t, 3.0);
    }
}

TEST(AutoZero, ASilentInstrumentEndsWithTheMessageWithinSeconds) {
    ZeroRig r;
    sim::InstrumentConfig c = acquisitionForm();
    c.faults.silence = 1.0;
    r.instrument(c);
    r.state.runState = 1;
    auto& thresholds = r.store().setup().channelThreshold;
    thresholds.fill(3.0);
    const AutoZeroResult result = r.run();
    EXPECT_TRUE(result.silent);
    EXPECT_EQ(r.ui.messages, std::vector<std::string>{
                                 "Communication error. Check COM PORT and equipment connection."});
    EXPECT_LE(r.clock.monotonicMs(), 4 * 2525);
    EXPECT_EQ(thresholds[0], 3.0);
}

TEST(AutoZero, BadBlocksAreLeftOutNotCountedAsDarkness) {
    ZeroRig r;
    sim::InstrumentConfig c = acquisitionForm();
    c.faults.parity = 0.2;
    c.faults.shortReply = 0.05;
    r.instrument(c);
    r.state.runState = 1;
    const AutoZeroResult result = r.run();
    ASSERT_TRUE(result.applied);
    // A bad read keeps what the overlapping reads of the same sample brought: no lit channel
    // shows a drop to zero as ripple.
    for (int ch = 2; ch < kChannels; ch += 2) {
        EXPECT_LT(result.channels[static_cast<std::size_t>(ch)].ripple, 100) << ch;
    }
}

}  // namespace
}  // namespace qv

// The walk of one channel into the band, on light models of the beam: the order of the steps,
// where each mode ends, and what it does when the band cannot be reached.
#include "tools/channel_tuning.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace qv {
namespace {

// A beam whose light grows by `ratio` per rung of PinHole x 8 + Gain, `atRung36` at rung 36.
struct Ladder {
    Ladder() = default;
    explicit Ladder(double lightAtRung36) : atRung36(lightAtRung36) {}

    double atRung36 = 1740;
    double ratio = 1.12;
    std::vector<ChannelSetting> applied;
    int failAfter = -1;  // the apply that fails (0-based); -1 never

    int light(const ChannelSetting& s) const {
        const double v = atRung36 * std::pow(ratio, 8 * s.pinHole + s.gain - 36);
        return static_cast<int>(std::min(4095.0, std::round(v)));
    }
    ApplySetting apply() {
        return [this](const ChannelSetting& s) -> std::optional<int> {
            if (failAfter >= 0 && static_cast<int>(applied.size()) == failAfter) {
                return std::nullopt;
            }
            applied.push_back(s);
            return light(s);
        };
    }
    std::optional<int> tune(ArenaMode mode, ChannelSetting& s, const TargetBand& band) {
        return tuneChannel(mode, s, light(s), band, apply());
    }
};

const TargetBand kBand80 = targetBand(80);  // 1536..1741: wider than one rung

TEST(ChannelTuning, MaxGainOpensThePinholeThenComesDownInGainSteps) {
    Ladder beam;  // P3 G7 (rung 31) reads 987: too dark
    ChannelSetting s = startingSetting(ArenaMode::MaxGain);
    ASSERT_EQ(s, (ChannelSetting{3, 7}));
    const auto reading = beam.tune(ArenaMode::MaxGain, s, kBand80);
    ASSERT_TRUE(reading);
    EXPECT_TRUE(kBand80.contains(*reading)) << *reading;
    // P4 G7 too bright; gain 0 shows P4 can reach the band; gains 6, 5, 4 from the top.
    const std::vector<ChannelSetting> expected{{4, 7}, {4, 0}, {4, 6}, {4, 5}, {4, 4}};
    EXPECT_EQ(beam.applied, expected);
    EXPECT_EQ(s, (ChannelSetting{4, 4}));
    EXPECT_EQ(*reading, 1740);
}

TEST(ChannelTuning, MaxGainLowersThePinholeWhenGainZeroIsStillTooBright) {
    Ladder beam{1740 * 8};  // a very bright beam: P3 G0 is still far above the band
    ChannelSetting s{3, 7};
    const auto reading = beam.tune(ArenaMode::MaxGain, s, kBand80);
    ASSERT_TRUE(reading);
    EXPECT_TRUE(kBand80.contains(*reading)) << *reading;
    ASSERT_GE(beam.applied.size(), 3u);
    EXPECT_EQ(beam.applied[0], (ChannelSetting{3, 0}));
    EXPECT_EQ(beam.applied[1], (ChannelSetting{2, 7}));  // back to gain 7 after a pinhole step
    EXPECT_EQ(s.pinHole, 2);
}

TEST(ChannelTuning, EveryBeamOfAnInstrumentReachesTheBandInBothModes) {
    for (ArenaMode mode : {ArenaMode::MaxGain, ArenaMode::MaxPower}) {
        for (double e = 0.5; e <= 3.0; e += 0.01) {
            Ladder beam{1740 * e};
            ChannelSetting s = startingSetting(mode);
            const auto reading = beam.tune(mode, s, kBand80);
            ASSERT_TRUE(reading);
            EXPECT_TRUE(kBand80.contains(*reading))
                << "mode " << static_cast<int>(mode) << " efficiency " << e << " ends at P"
                << s.pinHole << " G" << s.gain << " reading " << *reading;
            EXPECT_EQ(beam.light(s), *reading);
        }
    }
}

TEST(ChannelTuning, AnUnreachableBandEndsAtTheModesLimit) {
    // A dead beam stays dark: Max.Gain opens the pinhole to 7 at full gain and stops there.
    Ladder dead{1};
    ChannelSetting s{3, 7};
    const auto dark = dead.tune(ArenaMode::MaxGain, s, kBand80);
    ASSERT_TRUE(dark);
    EXPECT_EQ(s, (ChannelSetting{7, 7}));
    EXPECT_TRUE(kBand80.below(*dark));

    // Too bright even at PinHole 2 Gain 0: that is as dark as the calibration goes.
    Ladder glaring{4095 * 60.0};
    s = {3, 7};
    const auto bright = glaring.tune(ArenaMode::MaxGain, s, kBand80);
    ASSERT_TRUE(bright);
    EXPECT_EQ(s, (ChannelSetting{2, 0}));

    s = startingSetting(ArenaMode::MaxPower);
    ASSERT_EQ(s, (ChannelSetting{7, 0}));
    Ladder deadToo{1};
    deadToo.tune(ArenaMode::MaxPower, s, kBand80);
    EXPECT_EQ(s, (ChannelSetting{7, 7}));
}

TEST(ChannelTuning, ABandNarrowerThanARungKeepsTheDarkerSetting) {
    // Target 90: 1741..1946 is narrower than one 12 % rung. Rung 35 of this beam reads 1739,
    // just under the band, and rung 36 reads 1948, just over it: both modes keep rung 35.
    const TargetBand narrow = targetBand(90);
    for (ArenaMode mode : {ArenaMode::MaxGain, ArenaMode::MaxPower}) {
        Ladder beam{1739 * 1.12};
        ASSERT_EQ(beam.light({4, 3}), 1739);
        ASSERT_EQ(beam.light({4, 4}), 1948);
        ChannelSetting s = startingSetting(mode);
        const auto reading = beam.tune(mode, s, narrow);
        ASSERT_TRUE(reading);
        EXPECT_EQ(s, (ChannelSetting{4, 3})) << static_cast<int>(mode);
        EXPECT_EQ(*reading, 1739);
    }
}

TEST(ChannelTuning, StillDarkAtPinholeThreeGainZeroTriesPinholeTwo) {
    // An instrument whose two settings overlap: PinHole 2 Gain 7 gives more light than PinHole 3
    // Gain 0, and the retry keeps it.
    const TargetBand band = targetBand(80);
    auto overlap = [](const ChannelSetting& s) {
        if (s.pinHole >= 4 || (s.pinHole == 3 && s.gain >= 1)) {
            return 1800;  // too bright
        }
        if (s.pinHole == 3) {
            return 1200;  // P3 G0: too dark
        }
        return 1300 + 40 * s.gain;  // PinHole 2: 1300..1580
    };
    ChannelSetting s{3, 7};
    const auto reading = tuneChannel(
        ArenaMode::MaxGain, s, overlap(s), band,
        [&](const ChannelSetting& next) -> std::optional<int> { return overlap(next); });
    ASSERT_TRUE(reading);
    EXPECT_EQ(s, (ChannelSetting{2, 7}));
    EXPECT_EQ(*reading, 1580);

    // On a plain ladder PinHole 2 only gives less light, and PinHole 3 Gain 0 comes back.
    // Rung 24 (P3 G0) reads 1739, under the band of target 90; rung 25 reads 1948, over it.
    Ladder plain{1739 * std::pow(1.12, 12)};
    ASSERT_EQ(plain.light({3, 0}), 1739);
    s = {3, 7};
    const auto back = plain.tune(ArenaMode::MaxGain, s, targetBand(90));
    ASSERT_TRUE(back);
    EXPECT_EQ(s, (ChannelSetting{3, 0}));
    EXPECT_EQ(*back, 1739);
    const std::vector<ChannelSetting> expected{{3, 0}, {3, 6}, {3, 5}, {3, 4}, {3, 3},
                                               {3, 2}, {3, 1}, {3, 0}, {2, 7}, {3, 0}};
    EXPECT_EQ(plain.applied, expected);
}

TEST(ChannelTuning, AFailedWriteEndsTheWalkWhereTheInstrumentIs) {
    Ladder beam;
    beam.failAfter = 2;  // P4 G7 and P4 G0 written, then the instrument fails
    ChannelSetting s{3, 7};
    EXPECT_FALSE(beam.tune(ArenaMode::MaxGain, s, kBand80));
    EXPECT_EQ(s, (ChannelSetting{4, 0}));
}

}  // namespace
}  // namespace qv

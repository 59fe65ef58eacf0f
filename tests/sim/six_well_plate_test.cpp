// The 6-well plate of the virtual instrument: one larva per occupied well, swimming inside its
// round well and shadowing only the beams it passes over.
#include <gtest/gtest.h>

#include <set>

#include "sim/plate.h"

namespace qv::sim {
namespace {

Plate sixWells(std::vector<int> empty) {
    Plate::Options o;
    o.seed = 4;
    o.occupancy = 1;
    o.sixWells = true;
    o.emptyWells = std::move(empty);
    return Plate(o);
}

int channelAt(double x, double y) {
    return static_cast<int>(x) * kBeamRows + static_cast<int>(y);
}

TEST(SixWellPlate, OneLarvaInEveryWellButTheEmptyOnes) {
    const Plate plate = sixWells({2, 5});
    ASSERT_EQ(plate.organismCount(), 4);
    std::set<int> wells;
    for (int o = 0; o < plate.organismCount(); ++o) {
        wells.insert(plate.wellOf(o));
    }
    EXPECT_EQ(wells, (std::set<int>{0, 1, 3, 4}));
}

TEST(SixWellPlate, LarvaeSwimAndShadowOnlyBeamsOfTheirWells) {
    Plate plate = sixWells({2});
    // Well 2 (middle column, first row) is centred at (12, 3.65); beam (0, 0) lies outside
    // every well.
    const int emptyCentre = channelAt(12, 3.65);
    const int outside = channelAt(0.5, 0.5);
    std::set<int> shadowed;
    for (std::int64_t ms = 0; ms <= 120'000; ms += 20) {
        plate.advanceTo(ms, false);
        for (int c = 0; c < kChannels; ++c) {
            if (plate.shadow(c) > 0) {
                shadowed.insert(c);
            }
        }
        EXPECT_EQ(plate.shadow(emptyCentre), 0);
        EXPECT_EQ(plate.shadow(outside), 0);
    }
    // Each larva crosses many beams of its well in two minutes.
    EXPECT_GT(shadowed.size(), 5u * 8);
    for (int o = 0; o < plate.organismCount(); ++o) {
        EXPECT_GT(plate.pathLength(o), 5.0) << "larva " << o;
        EXPECT_LT(plate.pathLength(o), 120 * 1.4 * 1.5);
    }
}

TEST(SixWellPlate, EmptyWellsAlsoApplyToTheOneBeamWells) {
    Plate::Options o;
    o.occupancy = 1;
    o.emptyWells = {0, 17};
    const Plate plate(o);
    EXPECT_EQ(plate.organismCount(), kChannels - 2);
}

}  // namespace
}  // namespace qv::sim

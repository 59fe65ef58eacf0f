// "TEST CURVA DE GANANCIA" on the virtual instrument: its three files, the all-channel setting
// it measures at, and the instrument's calibration given back afterwards.
#include "tools/gain_curve_test.h"

#include <gtest/gtest.h>

#include <sstream>

#include "common/field_text.h"
#include "device/register_map.h"
#include "tools/tools_rig.h"

namespace qv {
namespace {

using testing::ToolsRig;

std::vector<double> numbersAfterHeader(const std::string& line) {
    std::istringstream in(line.substr(line.find(' ') + 1));
    std::vector<double> v;
    double x;
    while (in >> x) {
        v.push_back(x);
    }
    return v;
}

TEST(GainCurve, WritesTheThreeFilesForEightGainsAndGivesTheCalibrationBack) {
    ToolsRig rig;
    sim::Firmware& fw = rig.connect();
    std::array<int, kArenaChannels> before{};
    for (int c = 0; c < kArenaChannels; ++c) {
        before[static_cast<std::size_t>(c)] = fw.setting(c);
    }
    testing::writeBytes(rig.dir / "test_mean.txt", "from an older test\r\n");
    ArenaWindow& arena = rig.arena();
    arena.scrollpower.value = 3;
    const std::size_t from = rig.writtenBytes();
    arena.cmdTEST_Click();
    ASSERT_TRUE(rig.ui.messages.empty()) << rig.ui.messages.front();
    const GainCurveResult& r = arena.lastGainCurve();
    EXPECT_TRUE(r.completed);
    EXPECT_TRUE(r.restored);
    EXPECT_EQ(arena.txt_test.text, "Gain=7;Pinhole=3");

    // Each gain is set on both banks at once with the all-channel setting.
    for (int g = 0; g < 8; ++g) {
        int sent = 0;
        for (const auto& f : rig.framesFrom(from)) {
            sent += f[2] == device::reg::kAllChannelSetting && f[3] == g * 32 + 3 ? 1 : 0;
        }
        EXPECT_EQ(sent, 2) << g;
    }

    const auto bk = splitLines(testing::readBytes(rig.dir / "test_bk.txt"));
    const auto mean = splitLines(testing::readBytes(rig.dir / "test_mean.txt"));
    const auto desv = splitLines(testing::readBytes(rig.dir / "test_desv.txt"));
    ASSERT_EQ(bk.size(), 8u * 22u);
    ASSERT_EQ(mean.size(), 8u);
    ASSERT_EQ(desv.size(), 8u);
    for (int g = 0; g < 8; ++g) {
        const std::size_t head = static_cast<std::size_t>(g) * 22;
        EXPECT_EQ(bk[head], "p=3,g=" + std::to_string(g));
        EXPECT_EQ(mean[static_cast<std::size_t>(g)].rfind("[p3,g" + std::to_string(g) + "] ", 0),
                  0u);
        EXPECT_EQ(desv[static_cast<std::size_t>(g)].rfind("[p3,g" + std::to_string(g) + "] ", 0),
                  0u);
        const auto means = numbersAfterHeader(mean[static_cast<std::size_t>(g)]);
        const auto deviations = numbersAfterHeader(desv[static_cast<std::size_t>(g)]);
        ASSERT_EQ(means.size(), 384u);
        ASSERT_EQ(deviations.size(), 384u);
        // The file's mean and deviation are those of the 21 rows above them, channel by channel.
        for (int c : {0, 130, 383}) {
            double sum = 0;
            std::vector<double> values;
            for (int k = 0; k < 21; ++k) {
                const std::string& row = bk[head + 1 + static_cast<std::size_t>(k)];
                ASSERT_EQ(row.rfind("[" + std::to_string(k) + "] ", 0), 0u);
                const auto v = numbersAfterHeader(row);
                ASSERT_EQ(v.size(), 384u);
                values.push_back(v[static_cast<std::size_t>(c)]);
                sum += v[static_cast<std::size_t>(c)];
            }
            const double m = sum / 21;
            double spread = 0;
            for (double v : values) {
                spread += std::abs(v - m);
            }
            EXPECT_NEAR(means[static_cast<std::size_t>(c)], m, 0.5);
            EXPECT_NEAR(deviations[static_cast<std::size_t>(c)], spread / 21, 0.005);
            EXPECT_LT(deviations[static_cast<std::size_t>(c)], 10);  // an empty slot: noise
        }
        if (g > 0) {
            // More gain, more light.
            const auto lower = numbersAfterHeader(mean[static_cast<std::size_t>(g - 1)]);
            EXPECT_GT(means[5], lower[5]);
        }
    }
    for (int c = 0; c < kArenaChannels; ++c) {
        EXPECT_EQ(fw.setting(c), before[static_cast<std::size_t>(c)]) << c;
    }
}

TEST(GainCurve, AnInstrumentGoneMidwayEndsTheTestAndSaysTheCalibrationIsNotBack) {
    ToolsRig rig;
    rig.connect();
    ArenaWindow& arena = rig.arena();
    arena.scrollpower.value = 3;
    rig.ui.onEvents = [&] {
        if (arena.txt_test.text == "Gain=1;Pinhole=3") {
            rig.filter->unplugged = true;
        }
    };
    const std::int64_t start = rig.clock.monotonicMs();
    arena.cmdTEST_Click();
    EXPECT_LT(rig.clock.monotonicMs() - start, 60'000);
    const GainCurveResult& r = arena.lastGainCurve();
    EXPECT_FALSE(r.completed);
    EXPECT_FALSE(r.restored);
    EXPECT_EQ(r.steps.size(), 2u);
    ASSERT_EQ(rig.ui.messages.size(), 2u);
    EXPECT_EQ(rig.ui.messages[0], kCommunicationError);  // the gain not set
    EXPECT_NE(rig.ui.messages[1].find("could not all be written back"), std::string::npos);
    EXPECT_EQ(splitLines(testing::readBytes(rig.dir / "test_mean.txt")).size(), 2u);
    EXPECT_FALSE(arena.lblprogress.visible);
}

}  // namespace
}  // namespace qv

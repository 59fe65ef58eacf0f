// The arena's automatic calibration on the virtual instrument, on virtual time: every channel
// into the band, the order of its frames, how the user and a run stop it, and what a silent or
// vanishing instrument does to it.
#include <gtest/gtest.h>

#include "device/register_map.h"
#include "tools/tools_rig.h"

namespace qv {
namespace {

using testing::ToolsRig;

TEST(ArenaRules, BandBlocksAndStoredBytesAsTheTechnicianSeesThem) {
    // 85 x 20.48 = 1740.8 and 95 x 20.48 = 1945.6, each to the nearest integer.
    EXPECT_EQ(targetBand(90).lower, 1741);
    EXPECT_EQ(targetBand(90).upper, 1946);
    EXPECT_EQ(targetBand(80).lower, 1536);
    EXPECT_EQ(targetBand(80).upper, 1741);
    EXPECT_TRUE(targetBand(90).contains(1741));
    EXPECT_TRUE(targetBand(90).contains(1946));
    EXPECT_FALSE(targetBand(90).contains(1947));
    // Channel 300 lies in bank 2, in the block read at index 32 (300 = 256 + 32 + 12).
    EXPECT_EQ(calibrationBlock(300), 32);
    EXPECT_EQ(calibrationBlock(0), 0);
    EXPECT_EQ(calibrationBlock(130), 0);
    EXPECT_EQ(calibrationBlock(383), 96);
    // A read-back of 229 is Gain 7, PinHole 5; a pinhole above 7 is shown as 7.
    EXPECT_EQ(settingFromStoredByte(229), (ChannelSetting{5, 7}));
    EXPECT_EQ(settingFromStoredByte(31), (ChannelSetting{7, 0}));
}

TEST(ArenaRules, ChannelWritesUseTheUpperBankAboveChannel127) {
    ToolsRig rig;
    sim::Firmware& fw = rig.connect();
    ArenaDevice device(*rig.care);
    const std::size_t from = rig.writtenBytes();
    ASSERT_TRUE(device.write(130, {4, 2}));
    ASSERT_TRUE(device.write(300, {5, 7}));
    const auto frames = rig.framesFrom(from);
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.front(), (device::Bytes{0xFF, 129, 2, 2 * 32 + 4, 0xF0}));
    EXPECT_EQ(frames.back(), (device::Bytes{0xFF, 129, 172, 7 * 32 + 5, 0xF0}));
    EXPECT_EQ(fw.setting(130), 68);
    EXPECT_EQ(fw.setting(300), 229);
}

// Calibrates in the given mode and checks that the instrument then holds what the window says
// and every beam's light lies in the band.
void expectEveryChannelInTheBand(ArenaMode mode, double target) {
    ToolsRig rig;
    sim::Firmware& fw = rig.connect();
    ArenaWindow& arena = rig.arena();
    arena.Txtajuste.text = std::to_string(static_cast<int>(target));
    arena.Combomode.listIndex = mode == ArenaMode::MaxPower ? 1 : 0;
    const std::size_t from = rig.writtenBytes();
    arena.Cmdcalibrar_Click();
    ASSERT_TRUE(rig.ui.messages.empty()) << rig.ui.messages.front();
    const ArenaCalibrationResult& r = arena.lastCalibration();
    EXPECT_TRUE(r.completed);
    EXPECT_EQ(r.channelsTuned, 384);
    const TargetBand band = targetBand(target);
    EXPECT_EQ(r.outside(band), std::vector<int>{});
    for (int c = 0; c < kArenaChannels; ++c) {
        const ChannelSetting s = arena.settings()[static_cast<std::size_t>(c)];
        EXPECT_EQ(fw.setting(c), s.gain * 32 + s.pinHole) << c;
        // The reading judged carries the beam's noise (a few counts): the light itself lies in
        // the band or within that noise of its edge.
        EXPECT_GE(fw.clearLevel(c), band.lower - 15) << c;
        EXPECT_LE(fw.clearLevel(c), band.upper + 15) << c;
        EXPECT_NEAR(r.readings[static_cast<std::size_t>(c)], fw.clearLevel(c), 15) << c;
    }
    // Every channel got the mode's start first, in channel order, before any was tuned.
    const ChannelSetting start = startingSetting(mode);
    const auto frames = rig.framesFrom(from);
    int starts = 0;
    for (const auto& f : frames) {
        if ((f[1] == 128 || f[1] == 129) && f[3] == start.gain * 32 + start.pinHole) {
            ++starts;
        }
        if (f[1] == 0 && f[2] == device::reg::kBlockRead) {
            break;  // the first channel's reading: every start write is before it
        }
    }
    EXPECT_GE(starts, 384 * 9);  // the verified write sends each frame nine times
    EXPECT_FALSE(arena.lblprogress.visible);
    EXPECT_TRUE(arena.Cmd_online.enabled);
    EXPECT_NE(arena.lblout.text.find("all inside the band"), std::string::npos);
}

TEST(ArenaCalibration, MaxGainBringsEveryChannelIntoTheBand) {
    expectEveryChannelInTheBand(ArenaMode::MaxGain, 80);
}

TEST(ArenaCalibration, MaxPowerBringsEveryChannelIntoTheBand) {
    expectEveryChannelInTheBand(ArenaMode::MaxPower, 70);
}

TEST(ArenaCalibration, DeadBeamsEndAtFullLightAndAreNamed) {
    ToolsRig rig;
    sim::InstrumentConfig config = testing::emptySlot();
    config.deadBeams = {5, 200};
    rig.connect(config);
    ArenaWindow& arena = rig.arena();
    arena.Cmdcalibrar_Click();
    const ArenaCalibrationResult& r = arena.lastCalibration();
    EXPECT_TRUE(r.completed);
    EXPECT_EQ(r.outside(arena.band()), (std::vector<int>{5, 200}));
    EXPECT_EQ(arena.settings()[5], (ChannelSetting{7, 7}));
    EXPECT_NE(arena.lblout.text.find("2 outside the band: CH 5, 200"), std::string::npos)
        << arena.lblout.text;
}

TEST(ArenaCalibration, HidingTheStatusLineStopsItAtTheNextChannel) {
    ToolsRig rig;
    rig.connect();
    ArenaWindow& arena = rig.arena();
    rig.ui.onEvents = [&] {
        if (arena.lblprogress.text == "Calibrating CH10") {
            arena.lblprogress_Click();
        }
    };
    arena.Cmdcalibrar_Click();
    const ArenaCalibrationResult& r = arena.lastCalibration();
    EXPECT_TRUE(r.stopped);
    EXPECT_FALSE(r.completed);
    EXPECT_EQ(r.channelsTuned, 11);
    EXPECT_EQ(r.readings[11], -1);
    EXPECT_TRUE(arena.Cmd_online.enabled);
    EXPECT_TRUE(arena.Cmdcalibrar.enabled);
    EXPECT_TRUE(rig.ui.messages.empty());
}

TEST(ArenaCalibration, ARunStartedMeanwhileTakesTheLineAtOnce) {
    ToolsRig rig;
    rig.connect();
    ArenaWindow& arena = rig.arena();
    std::size_t atRun = 0;
    rig.ui.onEvents = [&] {
        if (arena.lblprogress.text == "Calibrating CH5" && rig.state.runState == 0) {
            rig.state.runState = 1;  // Play in the main window
            atRun = rig.writtenBytes();
        }
    };
    arena.Cmdcalibrar_Click();
    EXPECT_TRUE(arena.lastCalibration().stopped);
    EXPECT_EQ(rig.writtenBytes(), atRun);  // not one frame after the run began
    ASSERT_EQ(rig.ui.messages.size(), 1u);
    EXPECT_EQ(rig.ui.messages[0], kArenaInterrupted);

    // And while the run goes on the arena refuses to start anything on the line.
    rig.ui.onEvents = nullptr;
    const std::size_t before = rig.writtenBytes();
    arena.Cmdcalibrar_Click();
    arena.cmd_setcalibra_Click();
    arena.cmdTEST_Click();
    arena.Cmd_online_Click();
    EXPECT_EQ(rig.writtenBytes(), before);
    ASSERT_EQ(rig.ui.messages.size(), 5u);
    EXPECT_EQ(rig.ui.messages[4], kStopExperimentRefusal);
}

TEST(ArenaCalibration, ASilentInstrumentEndsItWithinSecondsAndItsMessage) {
    ToolsRig rig;
    rig.connect();
    rig.filter->unplugged = true;
    ArenaWindow& arena = rig.arena();
    const std::int64_t start = rig.clock.monotonicMs();
    const std::size_t from = rig.writtenBytes();
    arena.Cmdcalibrar_Click();
    EXPECT_LT(rig.clock.monotonicMs() - start, 10'000);
    ASSERT_EQ(rig.ui.messages.size(), 1u);
    EXPECT_EQ(rig.ui.messages[0], kCommunicationError);
    EXPECT_EQ(rig.framesFrom(from).size(), 1u);  // the identification, nothing written
    EXPECT_FALSE(arena.lastCalibration().started);
    EXPECT_FALSE(arena.lblprogress.visible);
}

TEST(ArenaCalibration, AnInstrumentThatVanishesEndsItWithTheSendingError) {
    ToolsRig rig;
    rig.connect();
    ArenaWindow& arena = rig.arena();
    rig.ui.onEvents = [&] {
        if (arena.lblprogress.text == "Calibrating CH20") {
            rig.filter->unplugged = true;
        }
    };
    const std::int64_t start = rig.clock.monotonicMs();
    arena.Cmdcalibrar_Click();
    const ArenaCalibrationResult& r = arena.lastCalibration();
    EXPECT_FALSE(r.completed);
    EXPECT_EQ(r.failedChannel, 21);
    EXPECT_EQ(r.channelsTuned, 21);
    ASSERT_EQ(rig.ui.messages.size(), 1u);
    EXPECT_EQ(rig.ui.messages[0], "Ops...Data Sending ERROR reg(0)... Try again");
    // Three reads of the silent line and their pauses, not the calibration's whole length.
    EXPECT_LT(rig.clock.monotonicMs() - start, 5 * 60'000);
    EXPECT_TRUE(arena.Cmd_online.enabled);
}

}  // namespace
}  // namespace qv

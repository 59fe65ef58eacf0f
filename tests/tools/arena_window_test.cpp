// The arena window as a technician uses it, on the virtual instrument on virtual time: what it
// shows on opening, live reading, per-channel and all-channel settings, saving, the channels'
// enabled flags and EXIT.
#include <gtest/gtest.h>

#include "common/field_text.h"
#include "device/register_map.h"
#include "store/calibration_values.h"
#include "tools/multitask_file.h"
#include "tools/tools_rig.h"

namespace qv {
namespace {

using testing::ToolsRig;

TEST(ArenaWindow, OpensOnTheProjectsTargetAndTheSavedSettings) {
    ToolsRig rig;
    rig.store().setup().Cal_value = 90;
    CalibrationValues saved;
    saved.PinHole.fill(4);
    saved.Gain.fill(6);
    saved.PinHole[0] = 5;
    saved.Gain[0] = 1;
    ASSERT_TRUE(writeCalibrationValues(rig.dir.path(), saved));
    ArenaWindow& arena = rig.arena();
    EXPECT_EQ(arena.Txtajuste.text, "90");
    EXPECT_EQ(arena.lblband.text, "Band 1741 .. 1946");
    EXPECT_EQ(arena.lblcanal.text, "0");
    EXPECT_EQ(arena.Combofila.listIndex, 0);
    EXPECT_EQ(arena.Combocol.listIndex, 0);
    EXPECT_EQ(arena.scrollpower.value, 5);
    EXPECT_EQ(arena.txtgain.text, "1");
    EXPECT_EQ(arena.lblstatus.text, "ENABLED");
    EXPECT_EQ(arena.txt_test.text, "Gain=0;Pinhole=0");
    EXPECT_FALSE(arena.Timerreal.enabled);
    EXPECT_FALSE(arena.Cmd_setall.enabled);  // Set All works while online
    // Channel 130 is C9: row C, column 9.
    arena.Combofila.listIndex = 2;
    arena.Combofila_Click();
    arena.Combocol.listIndex = 8;
    arena.Combocol_Click();
    EXPECT_EQ(arena.lblcanal.text, "130");
    EXPECT_EQ(arena.txtpower.text, "4");
    // A press on the pixel map picks the beam under it.
    arena.Picwell_Mouse({MouseEvent::Kind::Down, 23.5, 15.2, 1});
    EXPECT_EQ(arena.selectedChannel(), 383);
    EXPECT_EQ(arena.Combofila.listIndex, 15);
    // A target the band cannot lie around is refused; the last good one stays.
    arena.Txtajuste.text = "5";
    arena.Txtajuste_LostFocus();
    EXPECT_EQ(rig.ui.messages.back(), "Invalid value: 10 to 190");
    EXPECT_EQ(arena.Txtajuste.text, "90");
    arena.Txtajuste.text = "82,4";
    arena.Txtajuste_LostFocus();
    EXPECT_EQ(arena.lblband.text, "Band 1577 .. 1782");
}

TEST(ArenaWindow, OnlineReadsEveryChannelIntoThePlotAndThePixelMap) {
    ToolsRig rig;
    sim::Firmware& fw = rig.connect();
    ArenaWindow& arena = rig.arena();
    arena.Cmd_online_Click();
    ASSERT_TRUE(arena.Timerreal.enabled);
    EXPECT_FALSE(arena.Cmd_online.enabled);
    EXPECT_TRUE(arena.Cmd_offline.enabled);
    EXPECT_TRUE(arena.Cmd_setall.enabled);
    for (int tick = 0; tick < 3; ++tick) {
        arena.Timerreal_Timer();
    }
    for (int c = 0; c < kArenaChannels; ++c) {
        EXPECT_NEAR(arena.live().latest[static_cast<std::size_t>(c)], fw.clearLevel(c), 15) << c;
    }
    EXPECT_NE(arena.live().past(0, 2), 0);
    EXPECT_EQ(arena.live().past(0, 3), 0);  // only three readings so far
    // The pixel map: a square per channel, grey as its reading, framed by where it lies.
    const auto squares = rig.well.callsOf(RecordingCanvas::Op::FilledBox);
    ASSERT_EQ(squares.size(), 384u);
    const int c = 17;  // B2
    const RecordingCanvas::Call& b2 = squares[static_cast<std::size_t>(c)];
    EXPECT_NEAR(b2.x1, 1.1, 1e-9);
    EXPECT_NEAR(b2.y1, 1.1, 1e-9);
    EXPECT_EQ(b2.color.r, arena.live().latest[c] * 255 / 4095);
    // The plot: band, level and the channel's readings joined.
    EXPECT_EQ(rig.real.callsOf(RecordingCanvas::Op::Line).size(), 3u + 2u);
    arena.Cmd_offline_Click();
    EXPECT_FALSE(arena.Timerreal.enabled);
    EXPECT_TRUE(arena.Cmd_online.enabled);
    EXPECT_TRUE(rig.ui.messages.empty());
}

TEST(ArenaWindow, LiveReadingStopsForARunAndForASilentInstrument) {
    ToolsRig rig;
    rig.connect();
    ArenaWindow& arena = rig.arena();
    arena.Cmd_online_Click();
    rig.state.runState = 1;
    const std::size_t before = rig.writtenBytes();
    arena.Timerreal_Timer();
    EXPECT_EQ(rig.writtenBytes(), before);
    EXPECT_FALSE(arena.Timerreal.enabled);
    EXPECT_TRUE(rig.ui.messages.empty());

    rig.state.runState = 0;
    arena.Cmd_online_Click();
    rig.filter->unplugged = true;
    const std::int64_t start = rig.clock.monotonicMs();
    arena.Timerreal_Timer();
    EXPECT_LT(rig.clock.monotonicMs() - start, 10'000);
    EXPECT_FALSE(arena.Timerreal.enabled);
    ASSERT_EQ(rig.ui.messages.size(), 1u);
    EXPECT_EQ(rig.ui.messages[0], "Ops...Data Sending ERROR reg(0)... Try again");
    // Switching online again asks the instrument first and says it is not there.
    arena.Cmd_online_Click();
    EXPECT_FALSE(arena.Timerreal.enabled);
    EXPECT_EQ(rig.ui.messages.back(), kCommunicationError);
}

TEST(ArenaWindow, AScrollBarWritesTheSelectedChannel) {
    ToolsRig rig;
    sim::Firmware& fw = rig.connect();
    ArenaWindow& arena = rig.arena();
    arena.Combofila.listIndex = 2;
    arena.Combofila_Click();
    arena.Combocol.listIndex = 8;
    arena.Combocol_Click();  // channel 130
    const std::size_t from = rig.writtenBytes();
    arena.scrollpower.value = 6;
    arena.scrollpower_Change();
    arena.scrollgain.value = 2;
    arena.scrollgain_Change();
    EXPECT_EQ(fw.setting(130), 2 * 32 + 6);
    EXPECT_EQ(rig.framesFrom(from).back(), (device::Bytes{0xFF, 129, 2, 2 * 32 + 6, 0xF0}));
    EXPECT_EQ(arena.txtgain.text, "2");
    EXPECT_EQ(arena.txtpower.text, "6");

    // A write the instrument never confirms leaves the scroll bar where the channel is.
    rig.filter->deaf = [](const device::Bytes& f) { return f[1] == 129; };
    arena.scrollgain.value = 5;
    arena.scrollgain_Change();
    EXPECT_EQ(rig.ui.messages.back(),
              "Ops...Data Writing ERROR: reg(130)... Check COM and Try again");
    EXPECT_EQ(arena.scrollgain.value, 2);
    EXPECT_EQ(arena.txtgain.text, "2");
    EXPECT_EQ(fw.setting(130), 2 * 32 + 6);
}

TEST(ArenaWindow, AfterCalibratingThePickersNameTheChannelTheScrollBarsWrite) {
    ToolsRig rig;
    sim::Firmware& fw = rig.connect();
    ArenaWindow& arena = rig.arena();
    arena.Combofila.listIndex = 3;
    arena.Combofila_Click();
    arena.Cmdcalibrar_Click();
    ASSERT_TRUE(arena.lastCalibration().completed);
    // The calibration moved the selection along to the last channel: P24.
    EXPECT_EQ(arena.lblcanal.text, "383");
    EXPECT_EQ(arena.Combofila.listIndex, 15);
    EXPECT_EQ(arena.Combocol.listIndex, 23);
    const int pinHole = fw.setting(383) % 32;
    arena.scrollgain.value = 0;
    arena.scrollgain_Change();
    EXPECT_EQ(fw.setting(383), pinHole);
}

TEST(ArenaWindow, SetAllWritesEveryChannelWhileOnline) {
    ToolsRig rig;
    sim::Firmware& fw = rig.connect();
    ArenaWindow& arena = rig.arena();
    arena.scrollgain.value = 3;
    arena.scrollpower.value = 5;
    arena.Cmd_setall_Click();  // not online: nothing
    EXPECT_NE(fw.setting(0), 3 * 32 + 5);
    arena.Cmd_online_Click();
    arena.Cmd_setall_Click();
    for (int c = 0; c < kArenaChannels; ++c) {
        EXPECT_EQ(fw.setting(c), 3 * 32 + 5) << c;
        EXPECT_EQ(arena.settings()[static_cast<std::size_t>(c)], (ChannelSetting{5, 3}));
    }
    EXPECT_EQ(arena.lblout.text, "CH383 reply 255");
    EXPECT_TRUE(arena.Timerreal.enabled);  // still online
    EXPECT_TRUE(rig.ui.messages.empty());
}

TEST(ArenaWindow, SetAllOnAnInstrumentGoneStopsAtTheFirstChannelWithItsMessage) {
    ToolsRig rig;
    sim::Firmware& fw = rig.connect();
    ArenaWindow& arena = rig.arena();
    arena.Cmd_online_Click();
    ASSERT_TRUE(arena.Timerreal.enabled);
    const int before = fw.setting(1);
    rig.filter->unplugged = true;
    const std::int64_t start = rig.clock.monotonicMs();
    arena.scrollgain.value = 1;
    arena.scrollpower.value = 1;
    arena.Cmd_setall_Click();
    ASSERT_EQ(rig.ui.messages.size(), 1u);
    EXPECT_EQ(rig.ui.messages[0], "Ops...Data Writing ERROR: reg(0)... Check COM and Try again");
    EXPECT_LT(rig.clock.monotonicMs() - start, 10000);
    EXPECT_EQ(fw.setting(1), before);
    EXPECT_FALSE(arena.Timerreal.enabled);  // no longer reading a line that does not answer
    EXPECT_TRUE(arena.Cmd_online.enabled);
    EXPECT_FALSE(arena.lblprogress.visible);

    // A scroll bar moved now: the verified write gives up with its message.
    const std::int64_t moved = rig.clock.monotonicMs();
    arena.scrollgain.value = 6;
    arena.scrollgain_Change();
    EXPECT_EQ(rig.ui.messages.back(),
              "Ops...Data Writing ERROR: reg(0)... Check COM and Try again");
    EXPECT_EQ(arena.scrollgain.value, arena.settings()[0].gain);
    EXPECT_LT(rig.clock.monotonicMs() - moved, 10000) << rig.clock.monotonicMs() - moved;
}

TEST(ArenaWindow, SavingStoresWhatTheInstrumentReportsInCalvalue) {
    ToolsRig rig;
    sim::Firmware& fw = rig.connect();
    ArenaWindow& arena = rig.arena();
    ArenaDevice device(*rig.care);
    ASSERT_TRUE(device.write(7, {5, 7}));  // stored byte 229
    arena.cmd_setcalibra_Click();
    ASSERT_EQ(rig.ui.messages.size(), 1u);
    EXPECT_EQ(rig.ui.messages[0], "Calibration Saving OK");
    CalibrationValues file;
    ASSERT_EQ(readCalibrationValues(rig.dir.path(), file).status, CalibrationReadStatus::Ok);
    EXPECT_EQ(file.PinHole[7], 5);
    EXPECT_EQ(file.Gain[7], 7);
    for (int c = 0; c < kArenaChannels; ++c) {
        const ChannelSetting s = settingFromStoredByte(fw.setting(c));
        EXPECT_EQ(file.PinHole[static_cast<std::size_t>(c)], s.pinHole) << c;
        EXPECT_EQ(file.Gain[static_cast<std::size_t>(c)], s.gain) << c;
    }
    EXPECT_EQ(rig.store().calibration().PinHole[7], 5);
    EXPECT_FALSE(arena.lblprogress.visible);
}

TEST(ArenaWindow, SavingKeepsTheLastGoodFileWhenTheInstrumentIsGone) {
    ToolsRig rig;
    rig.connect();
    ArenaWindow& arena = rig.arena();
    const std::string before = testing::readBytes(rig.dir / "calvalue.dat");
    // Silent from the start: one identification, then the message.
    rig.filter->unplugged = true;
    arena.cmd_setcalibra_Click();
    EXPECT_EQ(rig.ui.messages.back(), kCommunicationError);
    EXPECT_EQ(testing::readBytes(rig.dir / "calvalue.dat"), before);

    // Gone half way: the channel that did not answer, the instrument that no longer names
    // itself, and the file as it was.
    rig.filter->unplugged = false;
    rig.ui.onEvents = [&] {
        if (arena.lblprogress.text == "Saving CH200") {
            rig.filter->unplugged = true;
        }
    };
    const std::int64_t start = rig.clock.monotonicMs();
    arena.cmd_setcalibra_Click();
    EXPECT_LT(rig.clock.monotonicMs() - start, 60'000);
    EXPECT_EQ(rig.ui.messages.back(), kCommunicationError);
    EXPECT_EQ(testing::readBytes(rig.dir / "calvalue.dat"), before);
}

TEST(ArenaWindow, AChannelThatDoesNotAnswerKeepsItsSavedValuesAndIsNamed) {
    ToolsRig rig;
    rig.connect();
    CalibrationValues saved;
    saved.PinHole.fill(2);
    saved.Gain.fill(3);
    saved.PinHole[9] = 6;
    saved.Gain[9] = 1;
    ASSERT_TRUE(writeCalibrationValues(rig.dir.path(), saved));
    ArenaWindow& arena = rig.arena();
    // Reads of channel 9's stored byte never reach the instrument.
    rig.filter->deaf = [](const device::Bytes& f) {
        return f[1] == 0 && f[2] == device::reg::kReadStoredByte && f[3] == 9;
    };
    const std::int64_t start = rig.clock.monotonicMs();
    arena.cmd_setcalibra_Click();
    // Eight tries, 200 ms apart, each waiting out the read budget.
    EXPECT_GE(rig.clock.monotonicMs() - start, 8 * 2000 + 7 * 200);
    ASSERT_EQ(rig.ui.messages.size(), 1u);
    EXPECT_EQ(rig.ui.messages[0],
              "Calibration saved, except channels 9: they did not answer and keep their "
              "previous values.");
    CalibrationValues file;
    ASSERT_EQ(readCalibrationValues(rig.dir.path(), file).status, CalibrationReadStatus::Ok);
    EXPECT_EQ(file.PinHole[9], 6);
    EXPECT_EQ(file.Gain[9], 1);
    EXPECT_NE(file.PinHole[10], 2);  // the instrument's own calibration, read back
}

TEST(ArenaWindow, TheEnabledFlagChangesOnlyOnYes) {
    ToolsRig rig;
    ArenaWindow& arena = rig.arena();
    arena.Picwell_Mouse({MouseEvent::Kind::Down, 0.5, 3.5, 1});  // D1, channel 3
    rig.ui.queueAnswer(Answer::Cancel);
    arena.lblstatus_DblClick();
    EXPECT_EQ(rig.ui.questions.back(), "Do you like to Disable Channel 3?");
    EXPECT_EQ(arena.lblstatus.text, "ENABLED");
    rig.ui.queueAnswer(Answer::Yes);
    arena.lblstatus_DblClick();
    EXPECT_EQ(arena.lblstatus.text, "DISABLED");
    EXPECT_FALSE(rig.store().setup().channelEnabled[3]);
    EXPECT_EQ(rig.store().setup().channelStatus[3], 0);
    // The pixel map crosses it out.
    EXPECT_EQ(rig.well.callsOf(RecordingCanvas::Op::Line).size(), 2u);
    rig.ui.queueAnswer(Answer::No);
    arena.lblstatus_DblClick();
    EXPECT_EQ(rig.ui.questions.back(), "Do you like to Enable Channel 3?");
    EXPECT_EQ(arena.lblstatus.text, "DISABLED");
    rig.ui.queueAnswer(Answer::Yes);
    arena.lblstatus_DblClick();
    EXPECT_TRUE(rig.store().setup().channelEnabled[3]);
    EXPECT_EQ(rig.store().setup().channelStatus[3], 1);
    EXPECT_TRUE(rig.ui.scriptUsedUp());
}

TEST(ArenaWindow, ExitReleasesThisInstancesPortInMultitsk) {
    ToolsRig rig;
    rig.connect();
    testing::writeBytes(rig.dir / "multitsk.dat", "1,0\r\n4,1\r\n7,1\r\ngarbage\r\n");
    ArenaWindow& arena = rig.arena();
    bool ended = false;
    arena.endApplication = [&] { ended = true; };
    arena.cmd_exit_Click();
    EXPECT_TRUE(ended);
    const MultitaskEntries entries = readMultitask(rig.dir.path());
    EXPECT_EQ(entries[3], 0);  // COM4, this instance's
    EXPECT_EQ(entries[6], 1);
    const auto lines = splitLines(testing::readBytes(rig.dir / "multitsk.dat"));
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines[0], "1,0");
    EXPECT_EQ(lines[14], "15,0");

    // Without a program to end the window closes.
    arena.Frm_Arena.visible = true;
    arena.endApplication = nullptr;
    arena.cmd_exit_Click();
    EXPECT_FALSE(arena.Frm_Arena.visible);
}

TEST(ArenaWindow, OfflineTheWindowShowsButDoesNotTouchTheLine) {
    ToolsRig rig;  // no instrument connected
    ArenaWindow& arena = rig.arena();
    arena.Cmd_online_Click();
    arena.scrollgain.value = 4;
    arena.scrollgain_Change();
    EXPECT_EQ(arena.scrollgain.value, 3);  // the saved starting value
    arena.Cmdcalibrar_Click();
    EXPECT_EQ(rig.ui.messages.size(), 3u);
    for (const std::string& m : rig.ui.messages) {
        EXPECT_EQ(m, kOfflineRefusal);
    }
    EXPECT_FALSE(arena.Timerreal.enabled);
}

}  // namespace
}  // namespace qv

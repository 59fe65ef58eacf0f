#include "device/com_module.h"

#include <gtest/gtest.h>

#include "bench.h"
#include "device/register_map.h"

namespace qv::device {
namespace {

using testing::Bench;

TEST(ComModule, WriteRegisterPutsTheFrameOnTheLine) {
    Bench b;
    sim::Firmware& fw = b.instrument(4);
    b.open(4);
    EXPECT_EQ(b.com.WriteRegister(16, 5, 0), 0);
    EXPECT_EQ(b.backend.written("COM4"), (Bytes{0xFF, 0x00, 0x10, 0x05, 0xF0}));
    EXPECT_EQ(fw.controlWord(), 5);
    // Only the low bytes travel, 0xFF and 0xF0 unescaped.
    EXPECT_EQ(b.com.WriteRegister(0x1F0, 0x2FF, 0x100), 0);
    EXPECT_EQ(Bytes(b.backend.written("COM4").begin() + 5, b.backend.written("COM4").end()),
              (Bytes{0xFF, 0x00, 0xF0, 0xFF, 0xF0}));
    b.comm.CommClose(4);
    EXPECT_EQ(b.com.WriteRegister(16, 0, 0), -1);
}

TEST(ComModule, SilentDeviceGivesMinusOneAfterTheReadBudget) {
    Bench b;
    b.silentPort(4);
    b.open(4);
    const std::int64_t t0 = b.clock.monotonicMs();
    EXPECT_EQ(b.com.QueryRegister(33, 0, 0), -1);
    // Five attempts of 500 ms, each followed by the 5 ms pause.
    EXPECT_EQ(b.clock.monotonicMs() - t0, 5 * 500 + 5 * 5);
}

TEST(ComModule, QueryReturnsTheFirstReplyByte) {
    Bench b;
    sim::Firmware& fw = b.instrument(4);
    b.open(4);
    b.com.WriteRegister(16, 3, 0);
    b.clock.advanceMs(60000);
    EXPECT_EQ(b.com.QueryRegister(33, 0, 0), fw.rawTemperature());
    EXPECT_EQ(b.com.QueryRegister(32, 128, 0), 0);  // the factory marker
}

TEST(ComModule, IdentificationComposesTwoBytesWith255) {
    Bench b;
    testing::ScriptedLine& line = b.scripted(4);
    b.open(4);
    line.queue({0x00, 0x7B});
    EXPECT_EQ(b.com.identificationQuery(), 123);
    line.queue({0x01});
    EXPECT_EQ(b.com.identificationQuery(), 255);
    line.queue({});
    EXPECT_EQ(b.com.identificationQuery(), -1);
    EXPECT_EQ(line.frames[0], (Bytes{0xFF, 0, 0, 0, 0xF0}));
    // Lines raised for the query and cleared after it.
    EXPECT_EQ(b.backend.counters("COM4").lineCalls, 12);
    EXPECT_FALSE(b.backend.lineState("COM4", ModemLine::Rts));
    EXPECT_FALSE(b.backend.lineState("COM4", ModemLine::Dtr));
}

TEST(ComModule, IdentificationCarriesOnWhereModemLinesAreRefused) {
    Bench b;
    b.instrument(4);
    b.backend.refuseModemLines(25);  // ENOTTY, as a pseudo-terminal answers
    b.open(4);
    EXPECT_EQ(b.com.identificationQuery(), 123);
    EXPECT_EQ(b.comm.lastError().context, "CommSetLine (EscapeCommFunction)");
}

TEST(ComModule, ChannelsMapToBanksAndRegisters) {
    EXPECT_EQ(channelWriteAddress(127).bank, 128);
    EXPECT_EQ(channelWriteAddress(127).reg, 127);
    EXPECT_EQ(channelWriteAddress(128).bank, 129);
    EXPECT_EQ(channelWriteAddress(128).reg, 0);
    EXPECT_EQ(channelWriteAddress(383).bank, 129);
    EXPECT_EQ(channelWriteAddress(383).reg, 255);
    EXPECT_EQ(channelReadAddress(300).bank, 1);
    EXPECT_EQ(channelReadAddress(300).reg, 172);
    EXPECT_EQ(reg::settingByte(7, 31), 255);

    Bench b;
    sim::Firmware& fw = b.instrument(4);
    b.open(4);
    EXPECT_EQ(b.com.verifiedChannelWrite(383, 31, 7), 1);
    EXPECT_EQ(fw.setting(383), 255);
    const Bytes& w = b.backend.written("COM4");
    EXPECT_EQ(Bytes(w.begin(), w.begin() + 5), (Bytes{0xFF, 129, 255, 255, 0xF0}));
    EXPECT_EQ(w.size(), 9u * 5);  // confirmed in the first round
    EXPECT_EQ(b.com.readChannelSetting(383), 255);
    EXPECT_EQ(b.com.verifiedChannelWrite(128, 5, 2), 1);
    EXPECT_EQ(fw.setting(128), 2 * 32 + 5);
}

TEST(ComModule, NinthEchoConfirmsTheWrite) {
    Bench b;
    testing::ScriptedLine& line = b.scripted(4);
    b.open(4);
    for (int i = 0; i < 8; ++i) {
        line.queue({0x55, 0});
    }
    line.queue({130 - 128, 0});
    EXPECT_EQ(b.com.verifiedChannelWrite(130, 3, 1), 1);
    EXPECT_EQ(line.frames.size(), 9u);
    EXPECT_EQ(b.clock.totalSleptMs(), 0);  // back to back
    EXPECT_TRUE(b.ui.messages.empty());
}

TEST(ComModule, UnconfirmedWriteTriesFourRoundsThenReports) {
    Bench b;
    sim::InstrumentConfig c;
    c.faults.missingEcho = 1.0;
    b.instrument(4, c);
    b.open(4);
    EXPECT_EQ(b.com.verifiedChannelWrite(130, 3, 1), -1);
    ASSERT_EQ(b.ui.messages.size(), 1u);
    EXPECT_EQ(b.ui.messages[0], "Ops...Data Writing ERROR: reg(130)... Check COM and Try again");
    // 36 writes and three temperature queries to resynchronise.
    EXPECT_EQ(b.backend.written("COM4").size(), (36u + 3u) * 5);
    EXPECT_EQ(b.clock.totalSleptMs(), 6 * 150 + 27 * 100);
}

TEST(ComModule, FactoryCalibrationReadsBackAndIsTestedAsAWhole) {
    Bench b;
    b.instrument(4);
    b.open(4);
    const FactoryCalibration c = b.com.readFactoryCalibration();
    EXPECT_TRUE(c.valid);
    EXPECT_DOUBLE_EQ(c.slope, 0.219);
    EXPECT_DOUBLE_EQ(c.offset, 0.5);
    EXPECT_EQ(c.month, 6);
    EXPECT_EQ(c.year, 24);

    // Slope 0.46: 460 = 1 x 256 + 204.
    sim::InstrumentConfig steep;
    steep.factoryBytes = {0, 3, 21, 1, 25, 204, 1, 0};
    Bench s;
    s.instrument(4, steep);
    s.open(4);
    const FactoryCalibration r = s.com.readFactoryCalibration();
    EXPECT_FALSE(r.valid);
    EXPECT_DOUBLE_EQ(r.slope, 0.219);
    EXPECT_DOUBLE_EQ(r.offset, 0.0);
}

TEST(ComModule, FactoryBytesTests) {
    const std::array<int, 8> good{0, 12, 99, 1, 100, 100, 0, 0};  // -10 degrees, slope 0.1
    const FactoryCalibration c = evaluateFactoryBytes(good);
    EXPECT_TRUE(c.valid);
    EXPECT_DOUBLE_EQ(c.offset, -10.0);
    EXPECT_DOUBLE_EQ(c.slope, 0.1);
    auto with = [&](int k, int v) {
        auto b = good;
        b[static_cast<std::size_t>(k)] = v;
        return evaluateFactoryBytes(b).valid;
    };
    EXPECT_FALSE(with(0, 1));  // marker
    EXPECT_FALSE(with(1, 0));  // month
    EXPECT_FALSE(with(1, 13));
    EXPECT_FALSE(with(2, 100));  // year
    EXPECT_FALSE(with(3, 2));    // sign
    EXPECT_FALSE(with(4, 101));  // offset 10.1
    EXPECT_FALSE(with(5, 0));    // slope low byte
    EXPECT_FALSE(with(5, 99));   // slope 0.099
    EXPECT_FALSE(with(2, -1));   // a byte never read
    EXPECT_TRUE(with(7, -1));    // the eighth byte is not part of it
    EXPECT_TRUE(evaluateFactoryBytes({0, 1, 0, 0, 0, 194, 1, 0}).valid);   // slope 0.45
    EXPECT_FALSE(evaluateFactoryBytes({0, 1, 0, 0, 0, 195, 1, 0}).valid);  // 0.451
}

TEST(ComModule, FactoryCalibrationWriteIsReadBack) {
    Bench b;
    sim::Firmware& fw = b.instrument(4);
    b.open(4);
    EXPECT_EQ(b.com.factoryCalibrationWrite(1, 11), 1);
    EXPECT_EQ(fw.factoryByte(1), 11);
    EXPECT_EQ(b.com.readFactoryCalibration().month, 11);

    Bench n;
    sim::InstrumentConfig c;
    c.faults.missingEcho = 1.0;
    n.instrument(4, c);
    n.open(4);
    EXPECT_EQ(n.com.factoryCalibrationWrite(2, 30), -1);
    ASSERT_EQ(n.ui.messages.size(), 1u);
    EXPECT_EQ(n.ui.messages[0], "Ops...Data Writing ERROR: reg()... Check COM and Try again");
    EXPECT_EQ(n.clock.totalSleptMs(), 2 * 2 * 100 + 18 * 50);
}

TEST(ComModule, AllChannelSettingNeedsBothBanks) {
    Bench b;
    sim::Firmware& fw = b.instrument(4);
    b.open(4);
    EXPECT_EQ(b.com.allChannelSetting(3, 7), 1);
    for (int ch : {0, 127, 128, 383}) {
        EXPECT_EQ(fw.setting(ch), 7 * 32 + 3);
    }
    Bench s;
    s.silentPort(4);
    s.open(4);
    EXPECT_EQ(s.com.allChannelSetting(3, 7), -1);
    EXPECT_EQ(s.backend.written("COM4").size(), 4u * 5);  // two tries per bank
}

TEST(ComModule, BlockReadsInBothForms) {
    Bench b;
    b.instrument(4);
    b.open(4);
    b.com.WriteRegister(74, 0, 0);
    EXPECT_EQ(b.com.blockRead(8, 48).size(), 48u);
    b.com.identificationQuery();
    EXPECT_EQ(b.com.blockRead(32, 192, 2).size(), 192u);
    // Each block read starts on a purged line.
    EXPECT_EQ(b.backend.counters("COM4").purges, 1 + 2);
}

}  // namespace
}  // namespace qv::device

// Each fault of the instrument or the line, and what the device layer makes of it.
#include <gtest/gtest.h>

#include "bench.h"

namespace qv::device {
namespace {

using testing::Bench;

sim::InstrumentConfig withFaults(sim::FaultRates f) {
    sim::InstrumentConfig c;
    c.faults = f;
    return c;
}

TEST(Faults, ShortBlockComesBackShortWithinTheBudgetAndPurged) {
    Bench b;
    b.instrument(4, withFaults({.shortReply = 1.0}));
    b.open(4);
    b.com.WriteRegister(74, 0, 0);
    const std::int64_t t0 = b.clock.monotonicMs();
    const Bytes block = b.com.blockRead(0, 48);
    EXPECT_LT(block.size(), 48u);
    EXPECT_GE(block.size(), 1u);
    // The burst ends the first attempt after the interval; four more find nothing.
    EXPECT_EQ(b.clock.monotonicMs() - t0, 100 + 4 * 500 + 5 * 5);
    EXPECT_EQ(b.backend.counters("COM4").purges, 1 + 1 + 1);
}

TEST(Faults, DroppedRepliesGiveMinusOneAndLeaveNothingBehind) {
    Bench b;
    b.instrument(4, withFaults({.drop = 1.0}));
    b.open(4);
    EXPECT_EQ(b.com.QueryRegister(33, 0, 0), -1);
    EXPECT_EQ(b.com.identificationQuery(), -1);
    EXPECT_EQ(b.com.readChannelSetting(5), -1);
    EXPECT_EQ(b.com.allChannelSetting(1, 1), -1);
}

TEST(Faults, MissingEchoesFailTheVerifiedWrite) {
    Bench b;
    b.instrument(4, withFaults({.missingEcho = 1.0}));
    b.open(4);
    const std::int64_t t0 = b.clock.monotonicMs();
    EXPECT_EQ(b.com.verifiedChannelWrite(10, 2, 2), -1);
    EXPECT_EQ(b.clock.monotonicMs() - t0, 6 * 150 + 27 * 100);
}

TEST(Faults, SomeMissingEchoesAreRiddenOutByTheRounds) {
    Bench b;
    sim::Firmware& fw = b.instrument(4, withFaults({.missingEcho = 0.3}));
    b.open(4);
    int confirmed = 0;
    for (int ch = 0; ch < 40; ++ch) {
        confirmed += b.com.verifiedChannelWrite(ch, 3, 4) == 1 ? 1 : 0;
        EXPECT_EQ(fw.setting(ch), 4 * 32 + 3);
    }
    EXPECT_EQ(confirmed, 40);
}

TEST(Faults, FactoryCalibrationUnderDroppedRepliesIsRightOrRejected) {
    for (std::uint64_t seed = 1; seed <= 6; ++seed) {
        Bench b;
        sim::InstrumentConfig c = withFaults({.drop = 0.25, .shortReply = 0.1});
        c.seed = seed;
        b.instrument(4, c);
        b.open(4);
        const FactoryCalibration f = b.com.readFactoryCalibration();
        if (f.valid) {
            EXPECT_DOUBLE_EQ(f.slope, 0.219);
            EXPECT_DOUBLE_EQ(f.offset, 0.5);
            EXPECT_EQ(f.month, 6);
        } else {
            EXPECT_DOUBLE_EQ(f.slope, 0.219);
            EXPECT_DOUBLE_EQ(f.offset, 0.0);
        }
    }
}

TEST(Faults, ParityErrorsReachTheCallerUntouched) {
    Bench b;
    b.instrument(4, withFaults({.parity = 1.0}));
    b.open(4);
    b.com.WriteRegister(74, 0, 0);
    const Bytes block = b.com.blockRead(0, 48);
    ASSERT_EQ(block.size(), 48u);
    int bad = 0;
    for (std::size_t i = 0; i < 48; i += 2) {
        const int ones = __builtin_popcount(block[i] & 0x0F) + __builtin_popcount(block[i + 1]);
        bad += ((block[i] & 0x80) != 0) != (ones % 2 == 1) ? 1 : 0;
    }
    EXPECT_EQ(bad, 1);
}

TEST(Faults, SilenceCostsTheReadBudgetAndNoMore) {
    Bench b;
    b.instrument(4, withFaults({.silence = 1.0}));
    b.open(4);
    const std::int64_t t0 = b.clock.monotonicMs();
    EXPECT_EQ(b.com.identificationQuery(), -1);
    EXPECT_EQ(b.com.blockRead(0, 192, 2).size(), 0u);
    EXPECT_EQ(b.clock.monotonicMs() - t0, 5 + 3 * (5 * 500 + 5 * 5));
}

TEST(Faults, CappedReadsAreJoinedWithinTheAttempts) {
    Bench b;
    b.instrument(4);
    b.open(4);
    b.com.WriteRegister(74, 0, 0);
    b.backend.capBytesPerRead(16);
    EXPECT_EQ(b.com.blockRead(0, 48).size(), 48u);
    // Five reads of 16 cannot make 192: what came is returned and the rest purged.
    b.com.identificationQuery();
    EXPECT_EQ(b.com.blockRead(0, 192).size(), 80u);
}

TEST(Faults, FailingLineIsRecordedWithItsStep) {
    Bench b;
    b.instrument(4);
    b.open(4);
    b.backend.failAfterOperations(1);  // the write goes out, then the line fails
    Bytes in;
    EXPECT_EQ(b.comm.CommWrite(4, Bytes{0xFF, 0, 33, 0, 0xF0}), 5);
    EXPECT_EQ(b.comm.CommRead(4, in, 2), 0);
    // The failed read is followed by the failed purge; each is recorded in turn.
    EXPECT_EQ(b.comm.lastError().context, "CommFlush (PurgeComm)");
    EXPECT_EQ(b.comm.CommWrite(4, Bytes{1}), -1);
    EXPECT_EQ(b.comm.lastError().context, "CommWrite (WriteFile)");
    EXPECT_EQ(b.comm.lastError().message, "Input/output error  COMM Error Flags = 0");
    EXPECT_EQ(b.comm.CommSetLine(4, 3, true), 5);
    EXPECT_EQ(b.comm.lastError().context, "CommSetLine (EscapeCommFunction)");
}

TEST(Faults, PortNumbersOutsideTheTableAreCaught) {
    Bench b;
    Bytes in;
    EXPECT_EQ(b.comm.CommOpen(0, "COM0", kSerialSettings), kInternalFaultCode);
    EXPECT_EQ(b.comm.lastError().context, "CommOpen");
    EXPECT_EQ(b.comm.CommRead(17, in, 2), 0);
    EXPECT_EQ(b.comm.lastError().context, "CommRead");
    EXPECT_EQ(b.comm.CommWrite(-1, Bytes{1}), 0);
    EXPECT_EQ(b.comm.lastError().context, "CommWrite");
    EXPECT_EQ(b.comm.CommSetLine(3, 9, true), EBADF);  // port 3 was never opened
    EXPECT_EQ(b.comm.CommClose(3), 0);
}

}  // namespace
}  // namespace qv::device

#include "sim/firmware.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>

namespace qv::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes frame(int bank, int reg, int value) {
    return {0xFF, static_cast<std::uint8_t>(bank), static_cast<std::uint8_t>(reg),
            static_cast<std::uint8_t>(value), 0xF0};
}

struct Rig {
    explicit Rig(InstrumentConfig c = {}) : fw(clock, c) {}
    Bytes ask(int bank, int reg, int value) {
        fw.receive(frame(bank, reg, value));
        return fw.takeOutput(clock.monotonicMs());
    }
    TestClock clock;
    Firmware fw;
};

// Values of a 48-byte block, or -1 for a pair whose parity bit does not match.
std::vector<int> acquisitionValues(const Bytes& b) {
    std::vector<int> v;
    for (std::size_t i = 0; i + 1 < b.size(); i += 2) {
        const int hi = b[i] & 0x0F;
        const bool parity = (b[i] & 0x80) != 0;
        const bool odd = (std::popcount(static_cast<unsigned>(hi)) +
                          std::popcount(static_cast<unsigned>(b[i + 1]))) %
                             2 ==
                         1;
        v.push_back(parity == odd && (b[i] & 0x70) == 0 ? hi * 256 + b[i + 1] : -1);
    }
    return v;
}

TEST(Firmware, AnswersIdentificationStoredBytesAndEchoes) {
    InstrumentConfig c;
    c.serialNumber = 300;
    Rig r(c);
    EXPECT_EQ(r.ask(0, 0, 0), (Bytes{1, 45}));  // 1 x 255 + 45
    // Stored settings: channel 130 lives at bank 129 register 2, read back at bank 1.
    EXPECT_EQ(r.ask(129, 2, 229), (Bytes{2, 229}));
    EXPECT_EQ(r.fw.setting(130), 229);
    EXPECT_EQ(r.ask(1, 32, 2)[0], 229);
    EXPECT_EQ(r.ask(128, 127, 33), (Bytes{127, 33}));
    EXPECT_EQ(r.ask(0, 32, 127)[0], 33);
    // Factory bytes: written at 200 + k, read at 128 + k.
    EXPECT_EQ(r.ask(128, 202, 31), (Bytes{202, 31}));
    EXPECT_EQ(r.ask(0, 32, 130)[0], 31);
    EXPECT_EQ(r.ask(0, 32, 128)[0], 0);
    // Commands without a reply.
    EXPECT_TRUE(r.ask(0, 16, 5).empty());
    EXPECT_EQ(r.fw.controlWord(), 5);
    EXPECT_TRUE(r.ask(0, 74, 1).empty());
    EXPECT_EQ(r.fw.plateMode(), 1);
    // All channels of one bank at once.
    EXPECT_EQ(r.ask(1, 17, 66).size(), 2u);
    EXPECT_EQ(r.fw.setting(128), 66);
    EXPECT_EQ(r.fw.setting(383), 66);
    EXPECT_NE(r.fw.setting(127), 66);
}

TEST(Firmware, FindsFramesInNoiseAndAcrossChunks) {
    Rig r;
    r.fw.receive({0x12, 0xFF, 0x00});  // noise, then half a frame
    r.fw.receive({0x00, 0x00, 0xF0});
    EXPECT_EQ(r.fw.takeOutput(0), (Bytes{0, 123}));
    // A start byte whose frame does not end in 0xF0 is skipped, the real frame found.
    r.fw.receive({0xFF, 0x01, 0xFF, 0x00, 0x00, 0x00, 0xF0});
    EXPECT_EQ(r.fw.takeOutput(0), (Bytes{0, 123}));
    // Half a frame left standing is dropped: the next frame is read on its own.
    r.fw.receive({0xFF, 0x00});
    r.clock.advanceMs(500);
    r.fw.receive(frame(0, 0, 0));
    EXPECT_EQ(r.fw.takeOutput(r.clock.monotonicMs()), (Bytes{0, 123}));
}

TEST(Firmware, AcquisitionBlockCarriesParityAndTheChannelLayout) {
    InstrumentConfig c;
    c.plateInserted = false;
    Rig r(c);
    r.ask(0, 74, 0);
    // Darken channel 22 = 2r + 2m for block r = 8, group m = 3: value 3m of the reply.
    r.ask(128, 22, 0);
    r.ask(0, 74, 0);  // the write chose the service form; plate mode brings the 48 back
    const Bytes b = r.ask(0, 48, 8);
    ASSERT_EQ(b.size(), 48u);
    const auto v = acquisitionValues(b);
    for (int x : v) {
        EXPECT_GE(x, 0);
    }
    EXPECT_LT(v[9], 30);                           // channel 22: dark
    EXPECT_GT(v[10], 1000);                        // channel 150: lit
    EXPECT_NEAR(v[0], r.fw.clearLevel(16), 15);    // channel 16
    EXPECT_NEAR(v[23], r.fw.clearLevel(286), 15);  // group 7 of bank 2: channel 256 + 30
}

TEST(Firmware, ServiceBlockIs192BytesOfLevelsWithoutParity) {
    InstrumentConfig c;
    c.plateInserted = false;
    Rig r(c);
    r.ask(0, 0, 0);  // identification: service form
    const Bytes b = r.ask(0, 48, 32);
    ASSERT_EQ(b.size(), 192u);
    for (int k = 0; k < 32; ++k) {
        for (int bank = 0; bank < 3; ++bank) {
            const std::size_t i = static_cast<std::size_t>((3 * k + bank) * 2);
            EXPECT_LE(b[i], 15);
            EXPECT_NEAR(b[i] * 256 + b[i + 1], r.fw.clearLevel(32 + k + 128 * bank), 15);
        }
    }
    // Indices above 63 are service reads whatever the mode.
    r.ask(0, 74, 1);
    EXPECT_EQ(r.ask(0, 48, 96).size(), 192u);
    EXPECT_EQ(r.ask(0, 48, 0).size(), 48u);
}

TEST(Firmware, OpticalCalibrationStreamsProgressAndLeavesBeamsInTheWindow) {
    InstrumentConfig c;
    c.progressIntervalMs = 10;
    Rig r(c);
    r.ask(0, 17, 0);
    r.ask(1, 17, 0);  // every beam dark
    EXPECT_TRUE(r.ask(0, 64, 110).empty());
    EXPECT_TRUE(r.ask(0, 0, 0).empty());  // busy: not listening
    Bytes progress;
    for (int t = 0; t < 300; ++t) {
        r.clock.advanceMs(10);
        const Bytes b = r.fw.takeOutput(r.clock.monotonicMs());
        progress.insert(progress.end(), b.begin(), b.end());
    }
    ASSERT_EQ(progress.size(), 192u);
    for (int i = 0; i < 192; ++i) {
        EXPECT_EQ(progress[static_cast<std::size_t>(i)], i);
    }
    for (int ch = 0; ch < kChannels; ++ch) {
        EXPECT_GE(r.fw.clearLevel(ch), 1638) << ch;
        EXPECT_LE(r.fw.clearLevel(ch), 1843) << ch;
    }
    EXPECT_EQ(r.ask(0, 0, 0).size(), 2u);
}

// Stepping one rung at a time can never jump over the fast calibration's window, and full
// and zero settings read as on and off for the self-test.
TEST(Firmware, LightFollowsPinHoleAndGainSoCalibrationConverges) {
    InstrumentConfig c;
    c.plateInserted = false;
    Rig r(c);
    for (int ch = 0; ch < kChannels; ch += 7) {
        int previous = 0;
        bool inWindow = false;
        for (int rung = 8; rung <= 63; ++rung) {
            r.ask(ch < 128 ? 128 : 129, ch % 128 + (ch >= 256 ? 128 : 0),
                  (rung % 8) * 32 + rung / 8);
            const int level = r.fw.clearLevel(ch);
            EXPECT_GE(level, previous);
            inWindow = inWindow || (level >= 1638 && level <= 1843);
            previous = level;
        }
        EXPECT_TRUE(inWindow) << ch;
        EXPECT_GE(previous, 1639);  // PinHole 7, Gain 7
        r.ask(ch < 128 ? 128 : 129, ch % 128 + (ch >= 256 ? 128 : 0), 0);
        EXPECT_LE(r.fw.clearLevel(ch), 1024);
    }
}

TEST(Firmware, TemperatureFollowsTheControlWordAtAChambersPace) {
    Rig r;
    const double slope = 0.219, offset = 0.5;
    const double start = r.ask(0, 33, 0)[0] * slope + offset;
    EXPECT_NEAR(start, 22.0, 0.3);
    // Heating, then cooling, then the unit off: never faster than a degree a minute.
    double previous = r.fw.chamberC();
    auto minute = [&](int control) {
        r.ask(0, 16, control);
        r.clock.advanceMs(60 * 1000);
        const double now = r.fw.chamberC();
        EXPECT_LE(std::abs(now - previous), 1.0 + 1e-9);
        previous = now;
        return now;
    };
    double t = 0;
    for (int m = 0; m < 20; ++m) {
        t = minute(3);  // temperature control on, heating
    }
    EXPECT_GT(t, 30.0);
    EXPECT_GT(r.ask(0, 33, 0)[0] * slope + offset, 30.0);
    for (int m = 0; m < 40; ++m) {
        t = minute(1);  // cooling
    }
    EXPECT_LT(t, 15.0);
    // Heating bit without control on: the unit is off and the room takes the chamber back.
    for (int m = 0; m < 180; ++m) {
        t = minute(2);
    }
    EXPECT_NEAR(t, 22.0, 1.0);
    // A long silence gives the chamber a reading brings after frequent readings.
    Rig quiet;
    quiet.ask(0, 16, 3);
    quiet.clock.advanceMs(20 * 60 * 1000);
    Rig busy;
    busy.ask(0, 16, 3);
    for (int s = 0; s < 20 * 60; s += 15) {
        busy.clock.advanceMs(15 * 1000);
        busy.fw.chamberC();
    }
    EXPECT_NEAR(quiet.fw.chamberC(), busy.fw.chamberC(), 1e-6);
}

TEST(Firmware, ABiasedSensorReadsHighUntilItsOffsetIsCorrected) {
    InstrumentConfig c;
    c.sensorBiasC = 1.5;
    Rig r(c);
    const double slope = 0.219;
    const int raw = r.ask(0, 33, 0)[0];
    EXPECT_NEAR(raw * slope + 0.5, 23.5, 0.12);  // the stored offset +0.5, the chamber 22.0
    // A one-point correction rewrites the stored offset (here to -1.0): the raw reading stays
    // what the sensor gives, and the host's temperature with the new offset is the chamber's.
    r.ask(128, 203, 1);
    r.ask(128, 204, 10);
    EXPECT_EQ(r.ask(0, 32, 131)[0], 1);
    EXPECT_EQ(r.ask(0, 32, 132)[0], 10);
    EXPECT_EQ(r.ask(0, 33, 0)[0], raw);
    EXPECT_NEAR(raw * slope - 1.0, r.fw.chamberC(), 0.12);
}

TEST(Firmware, DeadBeamsStayDarkAtEverySetting) {
    InstrumentConfig c;
    c.plateInserted = false;
    c.deadBeams = {5, 200};
    Rig r(c);
    r.ask(0, 17, 7 * 32 + 7);
    r.ask(1, 17, 7 * 32 + 7);  // every beam at full power
    for (int ch = 0; ch < kChannels; ++ch) {
        if (ch == 5 || ch == 200) {
            EXPECT_LE(r.fw.clearLevel(ch), 1024) << ch;
        } else {
            EXPECT_GE(r.fw.clearLevel(ch), 1639) << ch;
        }
    }
    r.ask(0, 0, 0);  // service form
    const Bytes b = r.ask(0, 48, 5);
    ASSERT_EQ(b.size(), 192u);
    EXPECT_LE(b[0] * 256 + b[1], 40);  // channel 5, first value of the read at 5
}

TEST(Firmware, OrganismsMakeReproducibleDipsOnOccupiedBeams) {
    auto run = [](std::uint64_t seed) {
        InstrumentConfig c;
        c.seed = seed;
        c.occupancy = 0.5;
        Rig r(c);
        r.ask(0, 74, 0);
        std::vector<int> samples;
        for (int tick = 0; tick < 1000; ++tick) {
            r.clock.advanceMs(30);
            for (int v : acquisitionValues(r.ask(0, 48, 0))) {
                samples.push_back(v);
            }
        }
        return samples;
    };
    const auto a = run(7);
    EXPECT_EQ(a, run(7));
    EXPECT_NE(a, run(8));
    // Some of the 24 beams read dip well below their light, others stay flat.
    int dipping = 0;
    for (int beam = 0; beam < 24; ++beam) {
        int lo = 4095, hi = 0;
        for (std::size_t i = static_cast<std::size_t>(beam); i < a.size(); i += 24) {
            lo = std::min(lo, a[i]);
            hi = std::max(hi, a[i]);
        }
        dipping += lo < hi * 0.85 ? 1 : 0;
    }
    EXPECT_GT(dipping, 2);
    EXPECT_LT(dipping, 24);
}

TEST(Firmware, FaultsComeAtTheirRates) {
    InstrumentConfig c;
    c.faults.silence = 0.3;
    Rig r(c);
    int unanswered = 0;
    for (int i = 0; i < 1000; ++i) {
        unanswered += r.ask(0, 33, 0).empty() ? 1 : 0;
    }
    EXPECT_NEAR(unanswered, 300, 60);

    InstrumentConfig s;
    s.faults.shortReply = 1.0;
    s.faults.missingEcho = 1.0;
    Rig shortRig(s);
    EXPECT_EQ(shortRig.ask(0, 0, 0).size(), 1u);
    const Bytes block = shortRig.ask(0, 48, 0);
    EXPECT_GE(block.size(), 1u);
    EXPECT_LT(block.size(), 192u);

    InstrumentConfig e;
    e.faults.missingEcho = 1.0;
    Rig echoRig(e);
    const Bytes echo = echoRig.ask(128, 5, 77);
    ASSERT_EQ(echo.size(), 2u);
    EXPECT_NE(echo[0], 5);
    EXPECT_EQ(echoRig.fw.setting(5), 77);  // stored all the same

    InstrumentConfig p;
    p.faults.parity = 1.0;
    Rig parityRig(p);
    parityRig.ask(0, 74, 0);
    const auto values = acquisitionValues(parityRig.ask(0, 48, 0));
    EXPECT_EQ(std::count(values.begin(), values.end(), -1), 1);

    InstrumentConfig d;
    d.faults.drop = 1.0;
    Rig dropRig(d);
    EXPECT_TRUE(dropRig.ask(0, 16, 4).empty());
    EXPECT_TRUE(dropRig.ask(128, 3, 9).empty());
    EXPECT_EQ(dropRig.fw.setting(3), 9);  // obeyed, only the reply was lost
}

}  // namespace
}  // namespace qv::sim

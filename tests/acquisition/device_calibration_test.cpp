// The instrument's own calibration and the read-back into calvalue.dat.
#include <gtest/gtest.h>

#include "acquisition/device_calibration.h"
#include "care_rig.h"
#include "device/register_map.h"

namespace qv {
namespace {

using testing::CareRig;

struct DeviceRig : CareRig {
    CalibrationStatus status{controlOf(controls, "lbl_autochannel", ControlKind::Label),
                             control("picturecal")};
    std::vector<std::string> seen;

    DeviceRig() {
        ui.onEvents = [this] {
            if (seen.empty() || seen.back() != status.text()) {
                seen.push_back(status.text());
            }
        };
    }
    DeviceCalibrationResult run(const std::filesystem::path& folder) {
        return DeviceCalibration(*care, status).run(folder);
    }
};

TEST(DeviceCalibration, ProgressThenEverySettingReadBackIntoBothFolders) {
    DeviceRig r;
    sim::Firmware& fw = r.instrument();
    const std::filesystem::path acquisition = r.dir / "20240614_1530";
    std::filesystem::create_directories(acquisition);
    const DeviceCalibrationResult result = r.run(acquisition);

    EXPECT_TRUE(result.ok());
    EXPECT_TRUE(result.copied);
    EXPECT_EQ(result.lastProgress, 191);
    EXPECT_EQ(result.channelsRead, 384);
    EXPECT_TRUE(r.ui.messages.empty());
    // The first frame starts the calibration; progress shown as a share of 191.
    EXPECT_EQ(r.framesFrom(0).front(), (device::Bytes{0xFF, 0, 64, 110, 0xF0}));
    ASSERT_GE(r.seen.size(), 50u);
    EXPECT_EQ(r.seen[0], "Calibrating...0%");
    EXPECT_NE(std::find(r.seen.begin(), r.seen.end(), "Calibrating...50%"), r.seen.end());
    EXPECT_NE(std::find(r.seen.begin(), r.seen.end(), "Calibrating...100%"), r.seen.end());
    // The read-back paints its share now and then.
    EXPECT_NE(std::find(r.seen.begin(), r.seen.end(), "Saving Calibration values...0%"),
              r.seen.end());
    EXPECT_NE(std::find(r.seen.begin(), r.seen.end(), "Saving Calibration values...50%"),
              r.seen.end());
    // The last bar reaches 382 of 383.
    const auto boxes = r.bar.callsOf(RecordingCanvas::Op::FilledBox);
    ASSERT_FALSE(boxes.empty());
    EXPECT_DOUBLE_EQ(boxes.back().x2, 382);

    const std::string file = testing::readBytes(r.dir / "calvalue.dat");
    EXPECT_EQ(file.rfind("channel, power, gain\r\n0,", 0), 0u);
    EXPECT_EQ(testing::readBytes(acquisition / "calvalue.dat"), file);
    CalibrationValues read;
    ASSERT_EQ(readCalibrationValues(r.dir.path(), read).status, CalibrationReadStatus::Ok);
    for (int c = 0; c < kCalibrationChannels; ++c) {
        const auto i = static_cast<std::size_t>(c);
        EXPECT_EQ(read.Gain[i] * 32 + read.PinHole[i], fw.setting(c)) << c;
        EXPECT_EQ(r.store().calibration().PinHole[i], read.PinHole[i]);
    }
    EXPECT_EQ(r.status.text(), "Saving Calibration values...100%");
}

// Progress bytes 0..50, then nothing: ten empty reads end the wait and the read-back follows.
class StallingLine : public device::InstrumentLine {
  public:
    void receive(const device::Bytes& bytes) override {
        for (std::size_t i = 0; i + 5 <= bytes.size(); i += 5) {
            const int reg = bytes[i + 2];
            if (reg == 64) {
                for (int p = 0; p <= 50; ++p) {
                    ready_.push_back(static_cast<std::uint8_t>(p));
                }
            } else if (reg == 32) {
                const int address = bytes[i + 3] + (bytes[i + 1] == 1 ? 128 : 0);
                ready_.push_back(static_cast<std::uint8_t>(address % 7 + 1 + 32 * (address % 8)));
                ready_.push_back(0);
            }
        }
    }
    device::Bytes takeOutput(std::int64_t) override { return std::exchange(ready_, {}); }
    std::optional<std::int64_t> nextOutputAt() const override { return std::nullopt; }

  private:
    device::Bytes ready_;
};

TEST(DeviceCalibration, TenEmptyProgressReadsEndTheWait) {
    DeviceRig r;
    StallingLine line;
    r.line(line);
    const DeviceCalibrationResult result = r.run({});
    EXPECT_EQ(result.lastProgress, 50);
    EXPECT_EQ(result.emptyReads, 10);
    EXPECT_TRUE(result.ok());
    EXPECT_FALSE(result.copied);
    // Ten reads of the whole read budget (five tries of 500 ms and 5 ms), 1 ms after each.
    EXPECT_EQ(r.clock.monotonicMs(), 10 * (5 * 505 + 1));
    CalibrationValues read;
    ASSERT_EQ(readCalibrationValues(r.dir.path(), read).status, CalibrationReadStatus::Ok);
    EXPECT_EQ(read.PinHole[130], 130 % 7 + 1);
    EXPECT_EQ(read.Gain[130], 130 % 8);
}

TEST(DeviceCalibration, ASilentInstrumentKeepsTheGoodFileAndSaysSo) {
    DeviceRig r;
    sim::InstrumentConfig config;
    config.faults.silence = 1.0;
    r.instrument(config);
    const std::filesystem::path acquisition = r.dir / "20240614_1530";
    std::filesystem::create_directories(acquisition);
    const std::string before = testing::readBytes(r.dir / "calvalue.dat");
    const CalibrationValues tables = r.store().calibration();

    const DeviceCalibrationResult result = r.run(acquisition);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.emptyReads, 10);
    EXPECT_EQ(result.silentChannel, 0);
    EXPECT_EQ(testing::readBytes(r.dir / "calvalue.dat"), before);
    EXPECT_FALSE(std::filesystem::exists(acquisition / "calvalue.dat"));
    EXPECT_EQ(r.store().calibration().PinHole, tables.PinHole);
    ASSERT_EQ(r.ui.messages.size(), 1u);
    EXPECT_EQ(r.ui.messages[0],
              "Calibration values could not be read back: channel 0 did not answer. calvalue.dat "
              "was kept. Check COM PORT and equipment connection.");
    // Ten empty progress reads and one channel's three tries: about half a minute.
    EXPECT_LT(r.clock.monotonicMs(), 35 * 1000);
}

TEST(DeviceCalibration, AnInstrumentFallingSilentHalfWayKeepsTheFileToo) {
    DeviceRig r;
    r.instrument();
    const std::string before = testing::readBytes(r.dir / "calvalue.dat");
    int reads = 0;
    r.ui.onEvents = [&] {
        // Well into the progress: from now on every operation on the line fails.
        if (++reads == 150) {
            r.backend.failAfterOperations(0);
        }
    };
    const DeviceCalibrationResult result = r.run({});
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(testing::readBytes(r.dir / "calvalue.dat"), before);
    EXPECT_EQ(r.ui.messages.size(), 1u);
}

}  // namespace
}  // namespace qv

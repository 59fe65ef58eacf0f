// The temperature sensor calibration: the bytes of a correction, the Factory Settings window on
// the virtual instrument whose sensor reads off, and what the instrument keeps.
#include <gtest/gtest.h>

#include "device/connection.h"
#include "device/register_map.h"
#include "tools/tools_rig.h"

namespace qv {
namespace {

using testing::ToolsRig;

TEST(FactoryBytes, OffsetsAndSlopeAsTheInstrumentStoresThem) {
    // Reading 24.2 against 25.0 with offset 0: +0.8, stored as sign 0 and 8.
    const FactoryBytes plus = factoryBytes(0 + (25.0 - 121 * 0.2), 0.2, 6, 24);
    EXPECT_EQ(plus[3], 0);
    EXPECT_EQ(plus[4], 8);
    // -1.25: sign 1 and 12 (12.5 to the even neighbour).
    const FactoryBytes minus = factoryBytes(-1.25, 0.219, 11, 9);
    EXPECT_EQ(minus, (FactoryBytes{0, 11, 9, 1, 12, 219, 0}));
    // A slope of 0.3 is 300 = 1 x 256 + 44.
    EXPECT_EQ(factoryBytes(0, 0.3, 1, 0)[5], 44);
    EXPECT_EQ(factoryBytes(0, 0.3, 1, 0)[6], 1);
}

// The chamber at 24.2 degrees, the instrument's stored offset 0 and slope 0.2, so that its raw
// reading of 121 is 24.2 exactly as the host computes it.
sim::InstrumentConfig chamberAt24_2() {
    sim::InstrumentConfig c = testing::emptySlot();
    c.ambientC = 24.2;
    c.factoryBytes = {0, 3, 23, 0, 0, 200, 0, 0};
    return c;
}

void connectCalibrated(ToolsRig& rig, const sim::InstrumentConfig& config) {
    rig.connect(config);
    const device::FactoryCalibration f = rig.com.readFactoryCalibration();
    ASSERT_TRUE(f.valid);
    device::LinkState& link = rig.state.link;
    link.temperatureSlope = f.slope;
    link.temperatureOffset = f.offset;
    link.factoryCalibration = true;
    link.calibrationMonth = f.month;
    link.calibrationYear = f.year;
    link.serialNumber = 61;
}

TEST(FactoryWindow, ShowsTheSerialTheCalibrationAndTheLiveTemperature) {
    ToolsRig rig;
    connectCalibrated(rig, chamberAt24_2());
    FactoryWindow& w = rig.factory();
    EXPECT_EQ(w.txt_mensaje.text, "Non Calibrated");
    w.Form_Load();
    w.Form_Activate();
    EXPECT_EQ(w.txt_mensaje.text, "OK Last Factory Calibration 03/23 [mm/yy]");
    EXPECT_EQ(w.lblserial.text, "SERIAL : QRVL00061");
    EXPECT_EQ(w.txt_set_temp.text, "25.0");
    EXPECT_EQ(w.txt_current_temp.text, "0.0");
    EXPECT_TRUE(w.Timer_temp.enabled);
    EXPECT_EQ(w.Timer_temp.intervalMs, 1000);
    w.Timer_temp_Timer();
    EXPECT_EQ(w.txt_current_temp.text, "24.2");
    w.Form_Deactivate();
    EXPECT_FALSE(w.Timer_temp.enabled);

    // Without a valid calibration the window says so and takes the defaults.
    rig.state.link.factoryCalibration = false;
    rig.state.link.temperatureOffset = 3;
    w.Form_Load();
    EXPECT_EQ(w.txt_mensaje.text, "NON Calibrated");
    EXPECT_EQ(rig.state.link.temperatureOffset, 0);
    EXPECT_EQ(rig.state.link.temperatureSlope, 0.219);
}

TEST(FactoryWindow, SetStoresTheCorrectionWithTheMonthAndReadsItBack) {
    ToolsRig rig;
    connectCalibrated(rig, chamberAt24_2());
    FactoryWindow& w = rig.factory();
    w.Form_Load();
    w.Form_Activate();
    const std::size_t from = rig.writtenBytes();
    w.Cmd_temp_Click();  // reference 25.0
    ASSERT_TRUE(rig.ui.messages.empty()) << rig.ui.messages.front();
    const SensorCalibrationResult& r = w.lastSet();
    EXPECT_TRUE(r.calibrated);
    EXPECT_DOUBLE_EQ(r.reading, 121 * 0.2);
    EXPECT_DOUBLE_EQ(r.newOffset, 0.8);
    // The test clock says June 2024.
    EXPECT_EQ(r.bytes, (FactoryBytes{0, 6, 24, 0, 8, 200, 0}));
    for (int k = 0; k < 7; ++k) {
        EXPECT_EQ(rig.firmware().factoryByte(k), r.bytes[static_cast<std::size_t>(k)]) << k;
    }
    // Registers 200..206 of bank 128, in order.
    std::vector<int> order;
    for (const auto& f : rig.framesFrom(from)) {
        if (f[1] == 128 && (order.empty() || order.back() != f[2])) {
            order.push_back(f[2]);
        }
    }
    EXPECT_EQ(order, (std::vector<int>{200, 201, 202, 203, 204, 205, 206}));
    EXPECT_TRUE(r.readBackDone);
    EXPECT_EQ(w.txt_mensaje.text, "OK Last Factory Calibration 06/24 [mm/yy]");
    EXPECT_DOUBLE_EQ(rig.state.link.temperatureOffset, 0.8);
    EXPECT_DOUBLE_EQ(rig.state.link.temperatureSlope, 0.2);
    EXPECT_EQ(rig.state.link.calibrationMonth, 6);
    w.Timer_temp_Timer();
    EXPECT_EQ(w.txt_current_temp.text, "25.0");
}

TEST(FactoryWindow, AFreshConnectionReadsTheReferenceAfterTheCorrection) {
    ToolsRig rig;
    sim::InstrumentConfig config = testing::emptySlot();
    config.sensorBiasC = 1.5;  // the chamber is at 22.0, the sensor says about 23.5
    connectCalibrated(rig, config);
    SensorCalibration sensor(*rig.care);
    ASSERT_NEAR(*sensor.temperature(), 23.5, 0.12);
    const SensorCalibrationResult r = sensor.set(22.0);
    ASSERT_TRUE(r.calibrated);

    // Another computer: a Connect that reads the calibration from the instrument.
    device::LinkState other;
    ScriptedUi quiet;
    device::ComModule com(rig.comm, rig.clock, quiet, other);
    device::Connection connection(com, rig.clock, quiet, [](std::int16_t) {});
    rig.comm.CommClose(4);
    other.currentPort = 4;
    connection.setLastSearchPort(4);
    connection.connectAction();
    ASSERT_TRUE(other.connected);
    ASSERT_TRUE(other.factoryCalibration);
    EXPECT_EQ(other.temperatureOffset, r.newOffset);
    const int raw = com.QueryRegister(device::reg::kReadTemperature, 0, 0);
    EXPECT_NEAR(raw * other.temperatureSlope + other.temperatureOffset, 22.0, 0.1);
}

TEST(FactoryWindow, ReferencesOutsideFourToFiftyAndHugeCorrectionsWriteNothing) {
    ToolsRig rig;
    connectCalibrated(rig, chamberAt24_2());
    FactoryWindow& w = rig.factory();
    w.Form_Load();
    const std::size_t from = rig.writtenBytes();
    for (const char* typed : {"3.9", "50,1", "warm"}) {
        w.txt_set_temp.text = typed;
        w.Cmd_temp_Click();
        EXPECT_TRUE(w.lastSet().refused);
        EXPECT_EQ(rig.ui.messages.back(),
                  "invalid Calibration Parameter: value must be between 4\xB0"
                  "C and 50\xB0"
                  "C");
    }
    w.txt_set_temp.text = "50";  // 25.8 degrees off: no stored calibration can hold it
    w.Cmd_temp_Click();
    EXPECT_TRUE(w.lastSet().refused);
    EXPECT_NE(rig.ui.messages.back().find("the offset would be 25.8"), std::string::npos)
        << rig.ui.messages.back();
    EXPECT_EQ(rig.framesLike(from, 128, 200), 0);
    EXPECT_EQ(w.txt_mensaje.text, "OK Last Factory Calibration 03/23 [mm/yy]");
    EXPECT_EQ(rig.state.link.temperatureOffset, 0);
}

TEST(FactoryWindow, AByteNotConfirmedLeavesTheWorkingOffsetAndSaysNonCalibrated) {
    ToolsRig rig;
    connectCalibrated(rig, chamberAt24_2());
    FactoryWindow& w = rig.factory();
    w.Form_Load();
    // Register 203 (the sign) never reaches the instrument.
    rig.filter->deaf = [](const device::Bytes& f) { return f[1] == 128 && f[2] == 203; };
    w.Cmd_temp_Click();
    EXPECT_FALSE(w.lastSet().calibrated);
    EXPECT_EQ(w.lastSet().bytesConfirmed, 3);
    ASSERT_EQ(rig.ui.messages.size(), 1u);
    EXPECT_EQ(rig.ui.messages[0], "Ops...Data Writing ERROR: reg()... Check COM and Try again");
    EXPECT_EQ(w.txt_mensaje.text, "NON Calibrated");
    EXPECT_EQ(rig.state.link.temperatureOffset, 0);
    // Bytes before the failure stay in the instrument; the ones after were never sent.
    EXPECT_EQ(rig.firmware().factoryByte(1), 6);
    EXPECT_EQ(rig.firmware().factoryByte(4), 0);
}

TEST(FactoryWindow, ACalibrationTheInstrumentDoesNotKeepIsAFailure) {
    ToolsRig rig;
    connectCalibrated(rig, chamberAt24_2());
    FactoryWindow& w = rig.factory();
    w.Form_Load();
    // The offset byte is echoed but never stored: every echo says yes, the read-back says no.
    rig.filter->answerInstead = [](const device::Bytes& f) -> std::optional<device::Bytes> {
        if (f[1] == 128 && f[2] == 204) {
            return device::Bytes{204, f[3]};
        }
        return std::nullopt;
    };
    w.Cmd_temp_Click();
    const SensorCalibrationResult& r = w.lastSet();
    EXPECT_EQ(r.bytesConfirmed, 7);
    EXPECT_TRUE(r.readBackDone);
    EXPECT_FALSE(r.calibrated);
    EXPECT_DOUBLE_EQ(r.readBack.offset, 0.0);
    ASSERT_EQ(rig.ui.messages.size(), 1u);
    EXPECT_NE(rig.ui.messages[0].find("did not keep the calibration"), std::string::npos);
    EXPECT_EQ(w.txt_mensaje.text, "NON Calibrated");
    EXPECT_EQ(rig.state.link.temperatureOffset, 0);
    EXPECT_EQ(rig.state.link.calibrationMonth, 3);
}

TEST(FactoryWindow, TheTimerLeavesTheLineToARunAndStopsOnSilence) {
    ToolsRig rig;
    connectCalibrated(rig, chamberAt24_2());
    FactoryWindow& w = rig.factory();
    w.Form_Load();
    w.Form_Activate();
    rig.state.runState = 1;
    const std::size_t before = rig.writtenBytes();
    w.Timer_temp_Timer();
    EXPECT_EQ(rig.writtenBytes(), before);
    w.Cmd_temp_Click();
    EXPECT_EQ(rig.ui.messages.back(), kStopExperimentRefusal);
    EXPECT_EQ(rig.writtenBytes(), before);

    rig.state.runState = 0;
    rig.filter->unplugged = true;
    w.Timer_temp_Timer();
    EXPECT_FALSE(w.Timer_temp.enabled);
    EXPECT_EQ(w.txt_current_temp.text, "----");
    EXPECT_EQ(rig.ui.messages.back(), kCommunicationError);
    w.Form_Activate();
    EXPECT_TRUE(w.Timer_temp.enabled);
    // SET with no answer writes nothing and says why.
    w.Cmd_temp_Click();
    EXPECT_TRUE(w.lastSet().refused);
    EXPECT_EQ(rig.ui.messages.back(), kCommunicationError);
}

}  // namespace
}  // namespace qv

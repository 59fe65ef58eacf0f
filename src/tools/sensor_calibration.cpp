#include "tools/sensor_calibration.h"

#include <algorithm>
#include <cmath>

#include "common/number_format.h"
#include "device/register_map.h"
#include "tools/arena_device.h"

namespace qv {

namespace reg = device::reg;

namespace {

// The calibration as the instrument will give it back for these bytes.
device::FactoryCalibration stored(const FactoryBytes& bytes) {
    std::array<int, reg::kFactoryBytesRead> read{};
    std::copy(bytes.begin(), bytes.end(), read.begin());
    return device::evaluateFactoryBytes(read);
}

}  // namespace

std::optional<double> SensorCalibration::temperature() {
    const int raw = care_.com.QueryRegister(reg::kReadTemperature, 0, reg::kBankCommand);
    if (raw < 0) {
        return std::nullopt;
    }
    const device::LinkState& link = care_.state.link;
    return raw * link.temperatureSlope + link.temperatureOffset;
}

SensorCalibrationResult SensorCalibration::set(double reference) {
    SensorCalibrationResult r;
    r.refused = true;
    r.reference = reference;
    ArenaDevice line(care_);
    if (!line.free()) {
        care_.ui.message(kStopExperimentRefusal);
        return r;
    }
    const std::optional<double> reading = temperature();
    if (!reading) {
        // Without a reading the correction would be taken against nothing.
        care_.ui.message(kCommunicationError);
        return r;
    }
    r.reading = *reading;
    if (!(reference >= kLowestReference && reference <= kHighestReference)) {
        care_.ui.message(
            "invalid Calibration Parameter: value must be between 4\xB0"
            "C and 50\xB0"
            "C");
        return r;
    }
    device::LinkState& link = care_.state.link;
    r.oldOffset = link.temperatureOffset;
    r.slope = link.temperatureSlope;
    const double offset = r.oldOffset + (reference - r.reading);
    if (std::abs(offset) > kLargestFactoryOffset) {
        // The instrument would refuse such an offset whenever it is read, and every computer
        // would fall back to no calibration at all.
        care_.ui.message("invalid Calibration Parameter: the offset would be " +
                         formatNumber(offset, "0.0") +
                         "\xB0"
                         "C, more than 10\xB0"
                         "C. Check the reference thermometer and the instrument.");
        return r;
    }
    r.refused = false;
    const DateTime now = care_.clock.now();
    r.month = now.month;
    r.year = now.year % 100;
    r.bytes = factoryBytes(offset, r.slope, r.month, r.year);
    r.newOffset = stored(r.bytes).offset;
    if (!write(r) || !readBack(r)) {
        return r;
    }
    r.calibrated = true;
    link.temperatureOffset = r.newOffset;
    link.factoryCalibration = true;
    link.calibrationMonth = r.month;
    link.calibrationYear = r.year;
    return r;
}

// Registers 200..206 in order; the first byte the instrument does not confirm ends it (the
// factory write has shown its message), and the bytes before it stay in the instrument.
bool SensorCalibration::write(SensorCalibrationResult& r) {
    for (int k = 0; k < reg::kFactoryBytes; ++k) {
        if (care_.com.factoryCalibrationWrite(k, r.bytes[static_cast<std::size_t>(k)]) != 1) {
            return false;
        }
        r.bytesConfirmed = k + 1;
    }
    return true;
}

// Echoes say each byte arrived; reading them back says the instrument kept them, and gives
// the offset exactly as every later connection will read it.
bool SensorCalibration::readBack(SensorCalibrationResult& r) {
    const device::FactoryCalibration expected = stored(r.bytes);
    r.readBack = care_.com.readFactoryCalibration();
    r.readBackDone = true;
    const device::FactoryCalibration& got = r.readBack;
    if (got.valid && expected.valid && got.offset == expected.offset &&
        got.slope == expected.slope && got.month == expected.month && got.year == expected.year) {
        return true;
    }
    care_.ui.message("The instrument did not keep the calibration it confirmed: it reads back " +
                     (got.valid ? "offset " + formatNumber(got.offset, "0.0") + ", slope " +
                                      formatNumber(got.slope, "0.000")
                                : std::string("no valid calibration")) +
                     ". Check COM PORT and equipment connection, then SET again.");
    return false;
}

}  // namespace qv

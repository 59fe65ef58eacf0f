#pragma once

#include <optional>

#include "acquisition/care_context.h"
#include "device/com_module.h"
#include "tools/factory_bytes.h"

namespace qv {

inline constexpr double kLowestReference = 4.0;
inline constexpr double kHighestReference = 50.0;

struct SensorCalibrationResult {
    bool refused = false;  // nothing was written: see the message shown
    double reading = 0;    // the instrument's temperature before the correction
    double reference = 0;
    double oldOffset = 0;
    double newOffset = 0;  // as the instrument stores it (tenths of a degree)
    double slope = 0;
    int month = 0;
    int year = 0;
    FactoryBytes bytes{};
    int bytesConfirmed = 0;  // 0..7, written in register order
    bool readBackDone = false;
    device::FactoryCalibration readBack;
    // All seven bytes confirmed and read back as written: the instrument holds the correction.
    bool calibrated = false;
};

// The one-point correction of the instrument's temperature sensor against a reference
// thermometer: the offset moves by reference - reading, the slope stays, and both go into the
// instrument's factory calibration bytes with the month and year, which are then read back.
class SensorCalibration {
  public:
    explicit SensorCalibration(CareContext& care) : care_(care) {}

    // Raw reading x slope + offset; nullopt when the instrument did not answer.
    std::optional<double> temperature();
    // "SET" with the reference typed; only a calibrated result changes the working offset.
    SensorCalibrationResult set(double reference);

  private:
    bool write(SensorCalibrationResult& r);
    bool readBack(SensorCalibrationResult& r);

    CareContext& care_;
};

}  // namespace qv

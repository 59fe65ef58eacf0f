#pragma once

#include <filesystem>

#include "acquisition/calibration_status.h"
#include "acquisition/care_context.h"

namespace qv {

struct DeviceCalibrationResult {
    int lastProgress = 0;      // the last progress byte, 191 when the instrument finished
    int emptyReads = 0;        // progress reads that brought nothing
    int channelsRead = 0;      // settings read back, 384 when every channel answered
    int silentChannel = -1;    // the channel whose setting never came, -1 when none
    bool fileWritten = false;  // calvalue.dat rewritten in the application folder
    bool copied = false;       // and copied into the acquisition folder
    bool ok() const { return silentChannel < 0 && fileWritten; }
};

// The instrument's own beam calibration (register 64), followed by reading every channel's
// stored setting back into the PinHole and Gain tables and calvalue.dat. Run control calls it
// at the start of a run with the acquisition folder, which receives a copy of calvalue.dat.
class DeviceCalibration {
  public:
    DeviceCalibration(CareContext& care, CalibrationStatus& status)
        : care_(care), status_(status) {}

    // An empty folder copies nothing.
    DeviceCalibrationResult run(const std::filesystem::path& acquisitionFolder);

  private:
    void followProgress(DeviceCalibrationResult& r);
    bool readBack(DeviceCalibrationResult& r, CalibrationValues& read);
    void save(DeviceCalibrationResult& r, const CalibrationValues& read,
              const std::filesystem::path& acquisitionFolder);

    CareContext& care_;
    CalibrationStatus& status_;
};

}  // namespace qv

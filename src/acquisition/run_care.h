#pragma once

#include "acquisition/calibration.h"
#include "acquisition/instrument_care.h"
#include "acquisition/light_and_temperature.h"

namespace qv {

// What run control and the acquisition cycle ask of the beams, the light and the chamber,
// answered by the calibration and the light and temperature control of the main window.
class RunCare : public InstrumentCare {
  public:
    RunCare(Calibration& calibration, LightAndTemperature& light)
        : calibration_(calibration), light_(light) {}

    void deviceCalibration(const std::filesystem::path& acquisitionFolder) override {
        calibration_.deviceCalibration(acquisitionFolder);
    }
    void autoZero() override { calibration_.autoZero(); }
    void startLightSchedule() override { light_.startLightSchedule(); }
    void regulateTemperature(double temperature) override {
        light_.regulateTemperature(temperature);
    }
    void advanceLightCycle(double elapsedMinutes) override {
        light_.advanceLightCycle(elapsedMinutes);
    }
    void lightAndTemperatureOff() override { light_.lightAndTemperatureOff(); }

  private:
    Calibration& calibration_;
    LightAndTemperature& light_;
};

}  // namespace qv

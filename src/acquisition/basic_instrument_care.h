#pragma once

#include "acquisition/app_state.h"
#include "acquisition/instrument_care.h"
#include "device/com_module.h"

namespace qv {

// What a run asks of the instrument's beams, light and chamber until calibration and light
// and temperature control take over: no beam calibration, no auto-zero, no regulation, and at
// the end of a run the thermal unit and the light switched off with the control word.
class BasicInstrumentCare : public InstrumentCare {
  public:
    BasicInstrumentCare(AppState& state, device::ComModule& com) : state_(state), com_(com) {}

    void deviceCalibration(const std::filesystem::path&) override {}
    void autoZero() override {}
    void startLightSchedule() override {}
    void regulateTemperature(double) override {}
    void advanceLightCycle(double) override {}
    void lightAndTemperatureOff() override;

  private:
    AppState& state_;
    device::ComModule& com_;
};

// The control word from the three flags: bit 0 temperature control on, bit 1 heating, bit 2
// light on.
int controlWord(bool temperatureControlOn, bool heating, bool lightOn);

}  // namespace qv

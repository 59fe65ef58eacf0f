#pragma once

#include "acquisition/care_context.h"
#include "common/controls.h"
#include "tools/sensor_calibration.h"

namespace qv {

// The "Factory Settings" window Frm_Factory: the instrument's serial number, its plate
// temperature live on the 1000 ms timer, and the one-point correction of the temperature
// sensor ("SET") stored in the instrument. The main window opens it only when an instrument is
// connected and no run is going; should a run start meanwhile, the window leaves the
// instrument alone.
class FactoryWindow {
  public:
    explicit FactoryWindow(CareContext& care);

    void Form_Load();
    void Form_Activate();
    void Form_Deactivate();
    // Closing returns to the main window.
    void Form_Unload();
    void Timer_temp_Timer();
    void Cmd_temp_Click();

    const SensorCalibrationResult& lastSet() const { return last_; }

    Controls controls;
    Control& Frm_Factory;
    Control& lblserial;
    Control& txt_mensaje;
    Control& txt_set_temp;
    Control& txt_current_temp;
    Control& Cmd_temp;
    Control& Timer_temp;

  private:
    void showCalibrationState();

    CareContext& care_;
    SensorCalibration sensor_;
    SensorCalibrationResult last_;
};

// "OK Last Factory Calibration mm/yy [mm/yy]".
std::string lastCalibrationText(int month, int year);

}  // namespace qv

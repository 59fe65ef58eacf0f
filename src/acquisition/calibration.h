#pragma once

#include <filesystem>
#include <functional>

#include "acquisition/auto_zero.h"
#include "acquisition/calibration_status.h"
#include "acquisition/care_context.h"
#include "acquisition/device_calibration.h"
#include "acquisition/fast_calibration.h"
#include "common/date_time.h"

namespace qv {

// The controls of the main window the calibration works on.
struct CalibrationControls {
    Control& frm_autotext;
    Control& lbl_autotext;
    Control& lbl_autochannel;
    Control& picturecal;
    Control& lblcalibrando;
    Control& txt_snr_umbral;
    Control& Cmb_organism;
    Control& CmdPlay;
    Control& Timeradq;

    // Found in the set by name, added when missing.
    static CalibrationControls of(Controls& controls);
};

// What "Read Blank" gives the acquisition cycle when it hands over: the cycle learns the blank
// over `samples` ticks (Threshold_Counter) from `startTime` on.
struct BlankStart {
    std::filesystem::path acquisitionFolder;
    DateTime startTime;
    int samples = 0;
};

// Calibration, blank and auto-zero: the three calibrations, their buttons "Fast CALIB",
// "Fast ZERO" and "Read Blank", and the SNR threshold box's validation.
class Calibration {
  public:
    Calibration(CareContext& care, CalibrationControls controls);

    // Called by run control at the start of a run (it shows the status panel and prepares the
    // bar first).
    DeviceCalibrationResult deviceCalibration(const std::filesystem::path& acquisitionFolder);
    AutoZeroResult autoZero();
    FastCalibrationResult fastCalibration();

    void cmd_calibra_Click();
    void Cmd_autozero_Click();
    void Cmd_readblank_Click();
    void txt_snr_umbral_LostFocus();

    // The organism list's own handler, run after the threshold box chose "Echinococcus".
    std::function<void()> organismChosen;
    // Filled by the acquisition cycle: clears the run counters and the blank accumulators,
    // selects the plotted group, sets the start time and switches blank mode on. The
    // acquisition timer is enabled after it returns; without it Read Blank stops at the label.
    std::function<void(const BlankStart&)> startBlank;

    CalibrationStatus& status() { return status_; }
    bool busy() const { return busy_; }

  private:
    // A button's calibration: the panel shown, the acquisition timer held, Play kept from
    // starting in between, and with no run active a run state of 1 for its length, so that
    // the work is done and Stop can end it.
    void asButtonAction(const std::string& panelText, const std::function<void()>& work);
    // The plate mode of the project's plate, as Play sends it: the instrument answers block
    // reads in the acquisition form after it.
    void sendPlateMode();

    CareContext& care_;
    CalibrationControls c_;
    CalibrationStatus status_;
    DeviceCalibration device_;
    FastCalibration fast_;
    AutoZero zero_;
    bool busy_ = false;
};

}  // namespace qv

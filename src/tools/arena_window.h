#pragma once

#include <functional>

#include "acquisition/care_context.h"
#include "common/controls.h"
#include "tools/arena_calibration.h"
#include "tools/arena_device.h"
#include "tools/arena_live.h"
#include "tools/arena_saving.h"
#include "tools/gain_curve_test.h"

namespace qv {

// The channel calibration arena Frm_Arena: live readings of every channel, gain and pinhole per
// channel or for all, the automatic calibration into the target band, saving the settings into
// calvalue.dat, the gain-curve test and the channels' enabled flags. While a run is going it
// leaves the instrument alone.
class ArenaWindow {
  public:
    explicit ArenaWindow(CareContext& care);

    void Form_Load();
    // The window closed: live reading off; long work stops at its next check.
    void Form_Unload();
    void Cmd_online_Click();
    void Cmd_offline_Click();
    void Timerreal_Timer();
    void Combofila_Click();
    void Combocol_Click();
    // A press on the pixel map selects the channel under it.
    void Picwell_Mouse(const MouseEvent& e);
    // A picture resized: drawn again.
    void Picture_Resize() { draw(); }
    void scrollgain_Change();
    void scrollpower_Change();
    void Cmd_setall_Click();
    void Cmdcalibrar_Click();
    void Txtajuste_LostFocus();
    void cmd_setcalibra_Click();
    void lblstatus_DblClick();
    void cmdTEST_Click();
    void cmd_exit_Click();
    // Hiding the status line is how the user stops the long work.
    void lblprogress_Click();
    void txt_pixel_LostFocus();
    void txt_brillo_LostFocus();
    void txt_zoom_LostFocus();
    void Cmd_autoblank_Click();

    // EXIT ends the program the way the main window's Exit does; without it the window hides.
    std::function<void()> endApplication;

    int selectedChannel() const { return selected_; }
    const ChannelSettings& settings() const { return settings_; }
    ArenaDevice& device() { return device_; }
    const ArenaLive& live() const { return live_; }
    TargetBand band() const;
    const ArenaCalibrationResult& lastCalibration() const { return lastCalibration_; }
    const GainCurveResult& lastGainCurve() const { return lastGainCurve_; }
    const ArenaSavingResult& lastSaving() const { return lastSaving_; }

    Controls controls;
    Control& Frm_Arena;
    Control& Cmd_online;
    Control& Cmd_offline;
    Control& Timerreal;
    Control& Picreal;
    Control& Picwell;
    Control& txt_pixel;
    Control& txt_brillo;
    Control& txt_zoom;
    Control& Cmd_autoblank;
    Control& Combofila;
    Control& Combocol;
    Control& lblcanal;
    Control& scrollgain;
    Control& txtgain;
    Control& scrollpower;
    Control& txtpower;
    Control& Cmd_setall;
    Control& lblout;
    Control& Cmdcalibrar;
    Control& Combomode;
    Control& Txtajuste;
    Control& lblband;
    Control& lblprogress;
    Control& cmd_setcalibra;
    Control& lblstatus;
    Control& cmdTEST;
    Control& txt_test;
    Control& cmd_exit;

  private:
    void loadSettings();
    void select(int channel);
    void showSelected();
    void applySelected(ChannelSetting wanted);
    void setLive(bool on);
    // Long work: live reading off, the buttons quiet, the status line shown; and back.
    bool beginWork();
    void endWork();
    void setButtonsEnabled(bool on);
    void draw();
    void summarise(const ArenaCalibrationResult& r);

    CareContext& care_;
    ArenaDevice device_;
    ArenaLive live_;
    ChannelSettings settings_{};
    int selected_ = 0;
    double target_ = 80;
    bool busy_ = false;
    ArenaCalibrationResult lastCalibration_;
    GainCurveResult lastGainCurve_;
    ArenaSavingResult lastSaving_;
};

}  // namespace qv

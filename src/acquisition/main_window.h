#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <string>

#include "acquisition/acquisition_cycle.h"
#include "acquisition/app_state.h"
#include "acquisition/calibration.h"
#include "acquisition/care_context.h"
#include "acquisition/device_link.h"
#include "acquisition/instrument_care.h"
#include "acquisition/light_and_temperature.h"
#include "acquisition/live_data.h"
#include "acquisition/live_display.h"
#include "acquisition/run_care.h"
#include "acquisition/run_control.h"
#include "acquisition/self_test.h"
#include "analysis/report_window.h"
#include "common/clock.h"
#include "common/controls.h"
#include "common/ui.h"
#include "store/store.h"

namespace qv {

class StartScreen;

// What every window logic of the program works with: the one store, the application state,
// the Ui and the clock. Created by the program's main and passed by reference.
struct AppContext {
    Store& store;
    AppState& state;
    Ui& ui;
    Clock& clock;
    DeviceLink& device;
};

// The acquisition window Frm_Main: its start-up (the load step), the shared application state
// it owns, activation, the body-bends box, help, about and the unload sequence. Device actions
// (connection, port menu) and the run buttons are wired by the parts that own them.
class MainWindow {
  public:
    MainWindow(AppContext& app, StartScreen& init);

    // The load step; false when the program must end (missing config.dat, a fault). With the
    // autorun flag the run is started through startRun.
    bool Form_Load(const std::string& commandLine);
    void Timerinicio_Timer();
    void Form_Activate();
    void chk_bodybends_Click();
    void Cmb_organism_Click();
    void lbl_umbral_Click();
    void mncal_off_Click();
    void mncal_on_Click();
    void mnCalibra_Click();
    void mnZero_Click();
    void mncontent_Click();
    void mnabout_Click();
    // The Exit menu and closing the window; ends the program.
    void Form_Unload();

    // The project setup and offline browser windows, as their form controls: ">Edit" and a
    // refused Play open the setup, a run hides both.
    void attachWindows(Control& setupForm, Control& offlineForm);
    // ">Edit": the project setup window.
    void Cmdsetup_Click();
    // "<< Back": the start screen again.
    void Cmdoffline_Click();

    // The maintenance windows, as their form controls: the channel calibration arena and the
    // factory settings (temperature sensor calibration).
    void attachToolWindows(Control& arenaForm, Control& factoryForm);
    // Refused while a run is going: the arena would share the line with it.
    void mn_arena_Click();
    // Refused unless an instrument is connected and no run is going.
    void mn_factory_Click();
    Control* setupForm() { return setupForm_; }
    Control* offlineForm() { return offlineForm_; }

    // "Run Latest Project" of the start screen: show this window, connect when not connected.
    void showForAcquisition();
    bool ended() const { return app_.state.ended; }

    // The Connect action (`cmd_connect`, and the start screen's acquisition choice); when no
    // instrument is found the start screen comes back and this window hides.
    void cmd_connect_Click();
    void Cmd_disconnect_Click();
    // COM menu item n (1..15).
    void mncom1_Click(int n);
    // Brings the status panel, the COM menu and the start screen's status line up to date
    // with the connection; called after its actions and whenever it lets events through.
    void followConnection();
    // Releases the serial port when one is held (exit).
    void closePort();

    // Play, Pause and Stop, and the acquisition timer's tick.
    void CmdPlay_Click();
    void CmdPause_Click();
    void CmdStop_Click();
    void Timeradq_Timer();

    // A run started as Play does, at the end of an automatic start-up (Play unless replaced).
    std::function<void()> startRun;

    RunControl& run() { return run_; }
    AcquisitionCycle& cycle() { return cycle_; }
    LiveData& liveData() { return live_; }
    LiveDisplay& display() { return display_; }
    // What runs ask of the beams, light and chamber; the program may put a fuller one in place.
    void useInstrumentCare(InstrumentCare& care) { care_.use(care); }
    // The report side: the report window and the report settings window behind the Report
    // menu and "Show my report".
    void attachReportWindows(ReportWindow& report, ReportSettingsWindow& settings);
    // "User Defined BIN size": repoconf.dat loaded (ticked) or reset (unticked), then the
    // report settings window.
    void mn_userbin_Click();
    // "Show my report": the report window on the last run started.
    void Cmd_showreport_Click();
    // The same for the end of a run; with autoreport the window writes the report by itself.
    void showMyReport(bool autoreport);
    // "Report Output...": the report window on the last run, else the project's newest.
    void mn_reportwindow_Click();
    // "Quick Report": report.txt of the run's totals in the project folder.
    void mn_quickreport_Click();
    // The folder name of the last run started from this window; run control sets it.
    std::string currentAcquisition;
    // Each channel's counts summed since the run started; run control sets it (zeros before).
    std::function<std::array<std::int64_t, kChannels>()> runTotals;

    Controls controls;
    Control& Frm_Main;
    Control& Frm_About;
    Control& Timerinicio;
    Control& Timeradq;
    Control& Timer_test;
    // The elapsed time of the run and its progress bar.
    Control& txt_time;
    Control& picturetime;
    // Menus.
    Control& mnexit;
    Control& mnstatustest;
    // The maintenance windows of the Tools menu.
    Control& mn_arena;
    Control& mn_factory;
    Control& mncal_on;
    Control& mncal_off;
    Control& mn_userbin;
    Control& mncontent;
    Control& mnabout;
    // Tool panels and status.
    Control& frm_mn1;
    Control& Frame_light;
    Control& Frame_temp;
    Control& frm_autotext;
    Control& lbl_autotext;
    Control& lbl_autochannel;
    Control& lblcalibrando;
    Control& picturecal;
    // Project and run.
    Control& txt_projecto;
    Control& txt_acqlapse;
    Control& txt_wellformat;
    Control& Cmdsetup;
    Control& Cmdoffline;
    // The detection mode, organism and threshold line the setup window fills.
    Control& lbl_detection;
    Control& txt_subproject;
    Control& Txt_description;
    Control& CmdPlay;
    Control& CmdPause;
    Control& CmdStop;
    Control& cmd_connect;
    Control& Cmd_disconnect;
    Control& mncom1;
    // The instrument in use, in the window's status bar: nothing else in the window says
    // whether the program is connected, offline, or not connected yet.
    Control& lbl_devicestatus;
    std::array<Control*, device::kSearchPorts> mncom1_items{};
    // Detection and calibration.
    Control& Cmb_organism;
    Control& lbl_umbral;
    Control& txt_snr_umbral;
    Control& mnCalibra;
    Control& cmd_calibra;
    Control& mnZero;
    Control& Cmd_autozero;
    Control& Cmd_readblank;
    // Light.
    Control& Chk_lenabled;
    Control& txt_lon;
    Control& txt_loff;
    Control& frm_pulse;
    Control& txt_pulsetimes;
    Control& txt_pulseon;
    Control& txt_pulseoff;
    Control& cmd_luz;
    Control& shape_light;
    // Temperature.
    Control& Chk_tenabled;
    Control& txttemp;
    Control& cmd_frio;
    Control& cmd_ontemp;
    Control& lbl_temperature;
    // Live display.
    Control& combo_minutes;
    Control& chk_bodybends;
    Control& Picact;
    Control& Picreal;
    Control& Cmd_barplot;
    Control& Cmd_gridplot;
    Control& Cmd_histoplot;
    Control& cmd_pgdown;
    Control& cmd_pgup;
    Control& Cmdzoom_minus;
    Control& Cmdzoom_plus;
    Control& txtzoom;
    // Report.
    Control& Cmd_showreport;
    Control& mn_reportwindow;
    Control& mn_quickreport;

    // Instrument care: calibration, blank and auto-zero; light and temperature; the device
    // self-test. Each handler hands over to the class that owns the behaviour.
    Control& Cmd_settemp;
    Control& cmd_cyclepulse;
    Control& lght_ctl;
    Control& temp_ctl;
    Control& lbl_autorestart;
    CareContext care;
    Calibration calibration;
    LightAndTemperature lightAndTemperature;
    SelfTest selfTest;
    RunCare runCare;
    // What run control and the acquisition cycle call at the start of a run, at every
    // temperature reading and tick, and at its end.
    InstrumentCare& instrumentCare() { return runCare; }

    void cmd_calibra_Click() { calibration.cmd_calibra_Click(); }
    void Cmd_autozero_Click() { calibration.Cmd_autozero_Click(); }
    void Cmd_readblank_Click() { calibration.Cmd_readblank_Click(); }
    void txt_snr_umbral_LostFocus() { calibration.txt_snr_umbral_LostFocus(); }
    void cmd_luz_Click() { lightAndTemperature.cmd_luz_Click(); }
    void cmd_frio_Click() { lightAndTemperature.cmd_frio_Click(); }
    void cmd_ontemp_Click() { lightAndTemperature.cmd_ontemp_Click(); }
    void Cmd_settemp_Click() { lightAndTemperature.Cmd_settemp_Click(); }
    void cmd_cyclepulse_Click() { lightAndTemperature.cmd_cyclepulse_Click(); }
    void Chk_lenabled_Click() { lightAndTemperature.Chk_lenabled_Click(); }
    void Chk_tenabled_Click() { lightAndTemperature.Chk_tenabled_Click(); }
    void lght_ctl_Click() { lightAndTemperature.lght_ctl_Click(); }
    void temp_ctl_Click() { lightAndTemperature.temp_ctl_Click(); }
    void txt_lon_LostFocus() { lightAndTemperature.txt_lon_LostFocus(); }
    void txt_loff_LostFocus() { lightAndTemperature.txt_loff_LostFocus(); }
    void txt_pulsetimes_LostFocus() { lightAndTemperature.txt_pulsetimes_LostFocus(); }
    void txt_pulseon_LostFocus() { lightAndTemperature.txt_pulseon_LostFocus(); }
    void txt_pulseoff_LostFocus() { lightAndTemperature.txt_pulseoff_LostFocus(); }
    void txttemp_LostFocus() { lightAndTemperature.txttemp_LostFocus(); }
    void mnstatustest_Click() { selfTest.mnstatustest_Click(); }
    void Timer_test_Timer() { selfTest.Timer_test_Timer(); }

  private:
    void loadStep(const std::string& commandLine);
    bool configurationAndProject();
    void thermalAndLightDefaults();
    void showToolPanels();
    void fillOrganism();
    void fillSnrThreshold();
    void fillCalibrationBoxes();
    void fillLight();
    void fillTemperature();
    void fillMinutes();
    void startupPause(int step);
    void applyOrganismDefault();
    void applyOrganismVisibility();
    std::string projectTitle() const;
    bool isBodyBendsFormat() const;

    AppContext& app_;
    StartScreen& init_;
    std::int64_t timerArmedAt_ = 0;
    // The connection's texts as last copied, so that only its own changes are copied.
    device::ConnectionView followed_;
    Control* setupForm_ = nullptr;
    Control* offlineForm_ = nullptr;
    Control* arenaForm_ = nullptr;
    Control* factoryForm_ = nullptr;
    // The run: its live data, the cycle that fills it and the Play, Pause and Stop actions.
    LiveData live_;
    InstrumentCareSlot care_;
    AcquisitionCycle cycle_;
    RunControl run_;
    LiveDisplay display_;
    ReportWindow* report_ = nullptr;
    ReportSettingsWindow* reportSettings_ = nullptr;
};

// Shown in the organism list for a stored organism code; empty for a code that has no text.
std::string organismText(int code);

}  // namespace qv

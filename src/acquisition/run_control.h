#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "acquisition/acquisition_cycle.h"
#include "acquisition/instrument_care.h"
#include "acquisition/live_data.h"
#include "common/controls.h"

namespace qv {

struct AppContext;

// The main window's controls that starting, pausing and stopping a run read or switch.
struct RunControls {
    Control& CmdPlay;
    Control& CmdPause;
    Control& Cmdsetup;
    Control& Cmdoffline;
    Control& Cmb_organism;
    Control& txt_snr_umbral;
    Control& txt_subproject;
    Control& Txt_description;
    Control& mnCalibra;
    Control& mnZero;
    Control& mn_userbin;
    Control& txttemp;
    Control& txt_pulsetimes;
    Control& chk_bodybends;
    Control& Timeradq;
    Control& Timer_test;
    Control& frm_autotext;
    Control& lbl_autotext;
    Control& lbl_autochannel;
    Control& picturecal;
    Control& Frm_Main;
};

// Play, Pause and Stop: a run starts with all its checks, a folder of its own with the
// project's settings and the run's description, the instrument set up, and the acquisition
// timer; it pauses with or without the time counter, and stops by the user or at the lapse.
class RunControl {
  public:
    RunControl(AppContext& app, RunControls controls, AcquisitionCycle& cycle, LiveData& data,
               InstrumentCare& care);

    void CmdPlay_Click();
    void CmdPause_Click();
    void CmdStop_Click();
    // The cycle reached the lapse at a block boundary.
    void endOfRun();
    // The activity files could not be written: the run stops and the user learns what was
    // saved.
    void recordingFailed(const std::string& text);

    // The run in progress or the last one: its folder, and what ended it.
    const std::filesystem::path& acquisitionFolder() const { return folder_; }
    const std::string& experimentName() const { return name_; }
    enum class Ending { None, Lapse, User, Failure };
    Ending ending() const { return ending_; }

    // Free space of the drive of a folder, in megabytes, -1 when unknown (tests replace it).
    std::function<std::int64_t(const std::filesystem::path&)> freeMegabytes;
    // The temperature set point taken from its box for the regulation (Play).
    std::function<void()> takeSetPoint;
    // The Connect action, for a Play before any connection was tried.
    std::function<void()> connect;
    // The live display: prepared when a run starts, its group chosen, its signal plot cleared.
    std::function<void()> prepareDisplay;
    std::function<void()> selectPlottedGroup;
    std::function<void()> prepareSignalPlot;
    // The report window opened on the acquisition as "Show my report" does; with autoreport
    // it writes the report by itself.
    std::function<void(const std::filesystem::path&, bool autoreport)> openReport;
    // The project setup and offline windows (their form controls), when the program has them.
    Control* setupForm = nullptr;
    Control* offlineForm = nullptr;

  private:
    bool askName();
    bool refused();
    bool diskSpaceAccepted();
    bool createFolder();
    void lockForRun();
    void readStartingTemperature();
    void sendPlateMode();
    void setUpBeams();
    double boxThreshold() const;
    void passEvents(int passes);
    void openSetup();

    AppContext& app_;
    RunControls c_;
    AcquisitionCycle& cycle_;
    LiveData& data_;
    InstrumentCare& care_;
    std::string name_;
    std::filesystem::path folder_;
    bool timeCounterPaused_ = false;
    std::int64_t pausedAtMs_ = 0;
    double setPoint_ = 0;
    std::string startTemperatureText_;
    Ending ending_ = Ending::None;
};

// The prompt of the name box: with automatic calibration and zero both ticked only the title
// lines, otherwise also the reminder to read a blank.
std::string experimentNamePrompt(bool autoCalibration, bool autoZero);

}  // namespace qv

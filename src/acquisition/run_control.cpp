#include "acquisition/run_control.h"

#include "acquisition/acquisition_folder.h"
#include "acquisition/disk_space.h"
#include "acquisition/main_window.h"
#include "common/canvas.h"
#include "common/field_text.h"
#include "common/number_format.h"
#include "device/register_map.h"

namespace qv {

namespace {

constexpr int kTimerMs = 30;
constexpr int kEventPasses = 10;
// Block detection looks at 500 samples of each block; with fewer it cannot count anything.
constexpr int kDetectionSamples = SampleBlock::kDetectionSamples;
constexpr int kShortestBuffer = 200;

double boxNumber(std::string text) {
    for (char& ch : text) {
        if (ch == ',') {
            ch = '.';
        }
    }
    return parseNumber(text).value_or(0.0);
}

}  // namespace

std::string experimentNamePrompt(bool autoCalibration, bool autoZero) {
    const std::string stars(49, '*');
    std::string prompt =
        stars + "\r\n***   Enter a Name for this Experiment  ***\r\n" + stars + "\r\n";
    if (!(autoCalibration && autoZero)) {
        prompt += "Comments:\r\n~~~~~~~\r\n> Auto Calibration is OFF: Remember to read Blank.\r\n";
    }
    return prompt;
}

RunControl::RunControl(AppContext& app, RunControls controls, AcquisitionCycle& cycle,
                       LiveData& data, InstrumentCare& care)
    : freeMegabytes(qv::freeMegabytes),
      app_(app),
      c_(controls),
      cycle_(cycle),
      data_(data),
      care_(care) {}

void RunControl::CmdPlay_Click() {
    c_.Timer_test.enabled = false;
    if (!askName() || refused()) {
        return;
    }
    passEvents(kEventPasses);
    app_.device.comm.CommFlush(app_.state.link.currentPort);
    passEvents(kEventPasses);
    if (prepareDisplay) {
        prepareDisplay();
    }
    if (!diskSpaceAccepted() || !createFolder()) {
        return;
    }
    c_.Timeradq.intervalMs = kTimerMs;
    if (selectPlottedGroup) {
        selectPlottedGroup();
    }
    lockForRun();
    readStartingTemperature();
    if (boxNumber(c_.txt_pulsetimes.text) == 0 && app_.state.lightEnabled) {
        care_.startLightSchedule();
    }
    sendPlateMode();
    setUpBeams();
    if (app_.state.runState == 0) {
        return;  // stopped during the calibration or the auto-zero
    }
    if (prepareSignalPlot) {
        prepareSignalPlot();
    }
    c_.chk_bodybends.enabled = false;
    ending_ = Ending::None;
    cycle_.startRun(folder_, true);
    c_.Timeradq.enabled = true;
    app_.state.runState = 1;
}

bool RunControl::askName() {
    if (app_.state.autorun) {
        name_ = "Autorun project";
    } else {
        const auto typed = app_.ui.input(
            experimentNamePrompt(c_.mnCalibra.checked, c_.mnZero.checked), "New Acquisition", "");
        name_ = typed.value_or("");
    }
    if (name_.empty()) {
        app_.ui.message("Each Experiment Requires a name");
        return false;
    }
    c_.txt_subproject.text = name_;
    return true;
}

// The refusals that come before anything is written: project 0, no instrument, and a block
// too short for detection.
bool RunControl::refused() {
    if (app_.store.config().Actual_Project_Number == 0) {
        app_.ui.message(
            "Operation not allowed in Project #0:Default. Go to <Setup> and Save it with another "
            "name");
        openSetup();
        return true;
    }
    // A Play before the program ever looked for the instrument (an automatic run right after
    // start-up) looks for it first, rather than recording from a port nobody opened.
    if (!app_.state.link.connected && !app_.state.link.offline && connect) {
        connect();
    }
    if (app_.state.link.offline || !app_.state.link.connected) {
        app_.ui.message(
            "Acquisition not allowed in OFFLINE MODE. Connect the equipment and restart the "
            "program.");
        return true;
    }
    // Detection over a block needs 500 samples of it; counting as the samples come needs at
    // least the shortest buffer the setup offers.
    const std::int16_t samples = app_.store.setup().RT_Buffer;
    const int fewest = app_.state.autoZero ? kDetectionSamples : kShortestBuffer;
    if (samples < fewest) {
        app_.ui.message("Real-time Buffer is " + std::to_string(samples) + " samples, but " +
                        (app_.state.autoZero ? "activity detection" : "live counting") +
                        " needs blocks of at least " + std::to_string(fewest) +
                        ". Set the buffer in the project setup (Advanced Tools)" +
                        (app_.state.autoZero ? ", or switch Auto Zero off." : "."));
        return true;
    }
    return false;
}

bool RunControl::diskSpaceAccepted() {
    const ProjectSetup& s = app_.store.setup();
    // The setup window stores "YES" as -1, older files as 1: any non-zero value records.
    if (s.Save_real == 0 || s.Aq_lapse < 31 || app_.state.autorun) {
        return true;
    }
    const DiskSpaceCheck check =
        checkDiskSpace(s.Aq_lapse, freeMegabytes(app_.store.projectPath()));
    if (!check.ask) {
        return true;
    }
    if (app_.ui.ask("WARNING:\r\n" + check.report + "\r\nPROCEED?", Buttons::YesNo) ==
        Answer::Yes) {
        return true;
    }
    openSetup();
    return false;
}

bool RunControl::createFolder() {
    Store& store = app_.store;
    const std::filesystem::path project = store.projectFolder(store.config().Actual_Project_Number);
    folder_ = newAcquisitionFolder(project, app_.clock.now());
    const std::string failure =
        writeAcquisitionStart(store, folder_, name_, c_.Txt_description.text);
    if (!failure.empty()) {
        app_.ui.message(failure);
        return false;
    }
    c_.Txt_description.enabled = false;
    return true;
}

void RunControl::lockForRun() {
    app_.state.runState = 1;
    c_.CmdPlay.enabled = false;
    c_.CmdPause.enabled = true;
    c_.Cmdsetup.enabled = false;
    c_.Cmdoffline.enabled = false;
    for (Control* form : {setupForm, offlineForm}) {
        if (form != nullptr) {
            form->visible = false;
        }
    }
    c_.Cmb_organism.enabled = false;
    c_.txt_snr_umbral.enabled = false;
    data_.reset(app_.store.setup().RT_Buffer);
}

void RunControl::readStartingTemperature() {
    setPoint_ = boxNumber(c_.txttemp.text);
    if (takeSetPoint) {
        takeSetPoint();
    }
    const int raw =
        app_.device.com.QueryRegister(device::reg::kReadTemperature, 0, device::reg::kBankCommand);
    if (raw < 0) {
        return;
    }
    const device::LinkState& link = app_.state.link;
    const double t = raw * link.temperatureSlope + link.temperatureOffset;
    startTemperatureText_ = formatNumber(t, "0.0");
    cycle_.setStartingTemperature(t);
}

void RunControl::sendPlateMode() {
    const std::string& format = app_.store.setup().Plate_format;
    const std::int16_t mode = format == "w96" || format == "w96u" ? 1 : 0;
    for (int i = 0; i < 2; ++i) {
        app_.device.com.WriteRegister(device::reg::kPlateMode, mode, device::reg::kBankCommand);
        app_.clock.sleepMs(100);
    }
}

// The working threshold from the box, as calibration and auto-zero take it.
double RunControl::boxThreshold() const {
    const double snr = boxNumber(c_.txt_snr_umbral.text);
    return snr < 1.3 ? 1.8 : snr;
}

void RunControl::setUpBeams() {
    const bool online = !app_.state.link.offline;
    const auto panel = [this](const char* title) {
        c_.frm_autotext.visible = true;
        c_.lbl_autotext.text = title;
        if (Canvas* bar = c_.picturecal.canvas) {
            bar->scale(0, 0, 383, 10);
            bar->clear(Color{255, 255, 192});
        }
        app_.state.snrThreshold = boxThreshold();
    };
    if (app_.state.autoCalibration && online && app_.state.runState != 0) {
        panel("<AUTOCALIBRATION>");
        care_.deviceCalibration(folder_);
        c_.frm_autotext.visible = false;
    }
    if (app_.state.autoZero && online && app_.state.runState != 0) {
        panel("<AUTOZERO>");
        care_.autoZero();
        c_.frm_autotext.visible = false;
    }
}

void RunControl::CmdPause_Click() {
    AppState& st = app_.state;
    if (st.runState == 1) {
        if (app_.ui.ask("Pause Time Counter?", Buttons::YesNo) == Answer::Yes) {
            c_.Timeradq.enabled = false;
            pausedAtMs_ = app_.clock.monotonicMs();
            timeCounterPaused_ = true;
            c_.lbl_autochannel.text = "Time Counter = OFF";
        } else {
            timeCounterPaused_ = false;
            c_.lbl_autochannel.text = "Time Counter = ON";
        }
        st.runState = 2;
        c_.frm_autotext.visible = true;
        c_.lbl_autotext.text = "<< PAUSED >>";
        return;
    }
    if (st.runState == 2) {
        if (timeCounterPaused_) {
            cycle_.shiftRunStart(app_.clock.monotonicMs() - pausedAtMs_);
        }
        c_.Timeradq.enabled = true;
        st.runState = 1;
        timeCounterPaused_ = false;
        c_.frm_autotext.visible = false;
    }
}

void RunControl::CmdStop_Click() {
    c_.Timer_test.enabled = false;
    AppState& st = app_.state;
    if (st.runState == 1 || st.runState == 2) {
        c_.CmdPause.enabled = false;
        c_.CmdPlay.enabled = true;
        st.runState = 0;
        if (ending_ == Ending::None) {
            ending_ = Ending::User;
        }
    }
    c_.Txt_description.enabled = true;
    c_.Timeradq.enabled = false;
    c_.frm_autotext.visible = false;
    c_.chk_bodybends.enabled = true;
    care_.lightAndTemperatureOff();
    c_.Cmdsetup.enabled = true;
    c_.Cmdoffline.enabled = true;
    c_.Cmb_organism.enabled = true;
    c_.txt_snr_umbral.enabled = true;
    passEvents(kEventPasses);
    app_.device.comm.CommFlush(app_.state.link.currentPort);
    app_.clock.sleepMs(5);
    passEvents(kEventPasses);
}

void RunControl::endOfRun() {
    c_.Timeradq.enabled = false;
    ending_ = Ending::Lapse;
    care_.lightAndTemperatureOff();
    if (c_.mn_userbin.checked) {
        if (openReport) {
            openReport(folder_, true);
        }
        c_.Frm_Main.visible = true;
    } else {
        if (openReport) {
            openReport(folder_, false);
        }
        app_.ui.message("Acquisition finished");
    }
    c_.chk_bodybends.enabled = true;
    CmdStop_Click();
}

void RunControl::recordingFailed(const std::string& text) {
    ending_ = Ending::Failure;
    CmdStop_Click();
    app_.ui.message(text);
}

void RunControl::passEvents(int passes) {
    for (int i = 0; i < passes; ++i) {
        app_.ui.processEvents();
    }
}

void RunControl::openSetup() {
    if (setupForm != nullptr) {
        setupForm->visible = true;
    }
}

}  // namespace qv

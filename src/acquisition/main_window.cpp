#include "acquisition/main_window.h"

#include <array>

#include "acquisition/start_screen.h"
#include "analysis/quick_report.h"
#include "common/field_text.h"
#include "common/number_format.h"
#include "common/rounding.h"
#include "store/project_files.h"

namespace qv {

namespace {

constexpr int kStartupPauseMs = 500;
// How long the start-up wait sleeps between event passes while no window timer has ticked.
constexpr int kEventPollMs = 10;

const std::vector<std::string> kOrganismList = {"C elegans(>L4)", "Zebrafish(Larvae)",
                                                "Echinococcus", "Drosophila"};
const std::vector<std::string> kMinutesList = {"15",  "30",  "60",  "120", "180",
                                               "240", "360", "480", "720", "1440"};

// A number typed in a box, with "," taken as the decimal point; 0 for text that is no number.
double boxValue(const std::string& text) {
    std::string t = text;
    for (char& c : t) {
        if (c == ',') {
            c = '.';
        }
    }
    return parseNumber(t).value_or(0.0);
}

std::string plain(int v) {
    return std::to_string(v);
}

}  // namespace

std::string organismText(int code) {
    switch (code) {
        case 0:
            return "C elegans(>L4)";
        case 1:
            return "Zebrafish(larvae)";
        case 2:
            return "Echinococcus";
        case 3:
            return "Drosophila";
        case 7:
            return "size <100um";
        case 8:
            return "size 0.1-1mm";
        case 9:
            return "size >1mm";
        default:
            return {};
    }
}

MainWindow::MainWindow(AppContext& app, StartScreen& init)
    : Frm_Main(controls.add("Frm_Main", ControlKind::Form,
                            "<Quorvel> Acquisition Software  --------> Main")),
      Frm_About(controls.add("Frm_About", ControlKind::Form, "About")),
      Timerinicio(controls.add("Timerinicio", ControlKind::Timer)),
      Timeradq(controls.add("Timeradq", ControlKind::Timer)),
      Timer_test(controls.add("Timer_test", ControlKind::Timer)),
      txt_time(controls.add("txt_time", ControlKind::TextBox, "00:00:00 [0d]")),
      picturetime(controls.add("picturetime", ControlKind::Picture)),
      mnexit(controls.add("mnexit", ControlKind::MenuItem, "Exit")),
      mnstatustest(controls.add("mnstatustest", ControlKind::MenuItem, "Test DEVICE")),
      mn_arena(controls.add("mn_arena", ControlKind::MenuItem, "Channel Calibration Arena")),
      mn_factory(controls.add("mn_factory", ControlKind::MenuItem, "Factory Settings")),
      mncal_on(controls.add("mncal_on", ControlKind::MenuItem, "ON")),
      mncal_off(controls.add("mncal_off", ControlKind::MenuItem, "OFF")),
      mn_userbin(controls.add("mn_userbin", ControlKind::MenuItem, "User Defined BIN size")),
      mncontent(controls.add("mncontent", ControlKind::MenuItem, "Content")),
      mnabout(controls.add("mnabout", ControlKind::MenuItem, "About")),
      frm_mn1(controls.add("frm_mn1", ControlKind::Frame, "Calibration")),
      Frame_light(controls.add("Frame_light", ControlKind::Frame, "Light Control")),
      Frame_temp(controls.add("Frame_temp", ControlKind::Frame, "Temperature")),
      frm_autotext(controls.add("frm_autotext", ControlKind::Frame)),
      lbl_autotext(controls.add("lbl_autotext", ControlKind::Label)),
      lbl_autochannel(controls.add("lbl_autochannel", ControlKind::Label)),
      lblcalibrando(controls.add("lblcalibrando", ControlKind::Label)),
      picturecal(controls.add("picturecal", ControlKind::Picture)),
      txt_projecto(controls.add("txt_projecto", ControlKind::TextBox)),
      txt_acqlapse(controls.add("txt_acqlapse", ControlKind::TextBox)),
      txt_wellformat(controls.add("txt_wellformat", ControlKind::TextBox)),
      Cmdsetup(controls.add("Cmdsetup", ControlKind::Button, ">Edit")),
      Cmdoffline(controls.add("Cmdoffline", ControlKind::Button, "<< Back")),
      lbl_detection(controls.add("lbl_detection", ControlKind::Label)),
      txt_subproject(controls.add("txt_subproject", ControlKind::TextBox)),
      Txt_description(controls.add("Txt_description", ControlKind::TextBox)),
      CmdPlay(controls.add("CmdPlay", ControlKind::Button, "Play")),
      CmdPause(controls.add("CmdPause", ControlKind::Button, "Pause")),
      CmdStop(controls.add("CmdStop", ControlKind::Button, "Stop")),
      cmd_connect(controls.add("cmd_connect", ControlKind::Button, "Connect")),
      Cmd_disconnect(controls.add("Cmd_disconnect", ControlKind::Button, "Disconnect")),
      mncom1(controls.add("mncom1", ControlKind::MenuItem, "COM")),
      lbl_devicestatus(controls.add("lbl_devicestatus", ControlKind::Label, "Not connected")),
      Cmb_organism(controls.add("Cmb_organism", ControlKind::ComboBox)),
      lbl_umbral(controls.add("lbl_umbral", ControlKind::Label, ">>>>")),
      txt_snr_umbral(controls.add("txt_snr_umbral", ControlKind::TextBox, "1.7")),
      mnCalibra(controls.add("mnCalibra", ControlKind::CheckBox, "Auto   Calibration")),
      cmd_calibra(controls.add("cmd_calibra", ControlKind::Button, "Fast CALIB")),
      mnZero(controls.add("mnZero", ControlKind::CheckBox, "Auto   Zero")),
      Cmd_autozero(controls.add("Cmd_autozero", ControlKind::Button, "Fast ZERO")),
      Cmd_readblank(controls.add("Cmd_readblank", ControlKind::Button, "Read Blank")),
      Chk_lenabled(controls.add("Chk_lenabled", ControlKind::CheckBox, "Enable")),
      txt_lon(controls.add("txt_lon", ControlKind::TextBox)),
      txt_loff(controls.add("txt_loff", ControlKind::TextBox)),
      frm_pulse(controls.add("frm_pulse", ControlKind::Frame, "Pulses")),
      txt_pulsetimes(controls.add("txt_pulsetimes", ControlKind::TextBox)),
      txt_pulseon(controls.add("txt_pulseon", ControlKind::TextBox)),
      txt_pulseoff(controls.add("txt_pulseoff", ControlKind::TextBox)),
      cmd_luz(controls.add("cmd_luz", ControlKind::Button, "OFF")),
      shape_light(controls.add("shape_light", ControlKind::Shape)),
      Chk_tenabled(controls.add("Chk_tenabled", ControlKind::CheckBox, "Enabled")),
      txttemp(controls.add("txttemp", ControlKind::TextBox)),
      cmd_frio(controls.add("cmd_frio", ControlKind::Button, "COOL")),
      cmd_ontemp(controls.add("cmd_ontemp", ControlKind::Button, "OFF")),
      lbl_temperature(controls.add("lbl_temperature", ControlKind::Label,
                                   "T = __ \xB0"
                                   "C")),
      combo_minutes(controls.add("combo_minutes", ControlKind::ComboBox)),
      chk_bodybends(
          controls.add("chk_bodybends", ControlKind::CheckBox, "Body-Bends Mode (Experimental)")),
      Picact(controls.add("Picact", ControlKind::Picture)),
      Picreal(controls.add("Picreal", ControlKind::Picture)),
      Cmd_barplot(controls.add("Cmd_barplot", ControlKind::Button, "Bars")),
      Cmd_gridplot(controls.add("Cmd_gridplot", ControlKind::Button, "Plate")),
      Cmd_histoplot(controls.add("Cmd_histoplot", ControlKind::Button, "Histogram")),
      cmd_pgdown(controls.add("cmd_pgdown", ControlKind::Button, "<")),
      cmd_pgup(controls.add("cmd_pgup", ControlKind::Button, ">")),
      Cmdzoom_minus(controls.add("Cmdzoom_minus", ControlKind::Button, "-")),
      Cmdzoom_plus(controls.add("Cmdzoom_plus", ControlKind::Button, "+")),
      txtzoom(controls.add("txtzoom", ControlKind::TextBox, "0")),
      Cmd_showreport(controls.add("Cmd_showreport", ControlKind::Button, "Show my report")),
      mn_reportwindow(controls.add("mn_reportwindow", ControlKind::MenuItem, "Report Output...")),
      mn_quickreport(controls.add("mn_quickreport", ControlKind::MenuItem, "Quick Report")),
      Cmd_settemp(controls.add("Cmd_settemp", ControlKind::Button, "Set")),
      cmd_cyclepulse(controls.add("cmd_cyclepulse", ControlKind::Button, "Pulses")),
      lght_ctl(controls.add("lght_ctl", ControlKind::MenuItem, "Light Control")),
      temp_ctl(controls.add("temp_ctl", ControlKind::MenuItem, "Temperature Control")),
      lbl_autorestart(controls.add("lbl_autorestart", ControlKind::Label)),
      care{app.store, app.state, app.ui, app.clock, app.device.com},
      calibration(care, CalibrationControls::of(controls)),
      lightAndTemperature(care, LightTemperatureControls::of(controls)),
      selfTest(care, SelfTestControls::of(controls)),
      runCare(calibration, lightAndTemperature),
      app_(app),
      init_(init),
      care_(runCare),
      cycle_({app.store, app.state, app.device.com, app.clock, care_}, live_,
             {txt_time, picturetime, lbl_temperature, frm_autotext, lbl_autotext, lbl_autochannel,
              Timeradq}),
      run_(app,
           {CmdPlay,         CmdPause,        Cmdsetup,  Cmdoffline, Cmb_organism, txt_snr_umbral,
            txt_subproject,  Txt_description, mnCalibra, mnZero,     mn_userbin,   txttemp,
            txt_pulsetimes,  chk_bodybends,   Timeradq,  Timer_test, frm_autotext, lbl_autotext,
            lbl_autochannel, picturecal,      Frm_Main},
           cycle_, live_, care_),
      display_(controls, live_, app.store) {
    cycle_.onLapseReached = [this] { run_.endOfRun(); };
    cycle_.onRecordingFailed = [this](const std::string& text) { run_.recordingFailed(text); };
    run_.connect = [this] { cmd_connect_Click(); };
    run_.takeSetPoint = [this] { lightAndTemperature.takeSetPoint(); };
    // Read Blank hands over to the cycle: a run that records nothing and learns the thresholds.
    calibration.startBlank = [this](const BlankStart& blank) {
        display_.selectRunGroup();
        cycle_.startRun(blank.acquisitionFolder, false);
        cycle_.startBlank();
    };
    run_.openReport = [this](const std::filesystem::path& folder, bool autoreport) {
        currentAcquisition = folder.filename().string();
        showMyReport(autoreport);
    };
    runTotals = [this] {
        std::array<std::int64_t, kChannels> totals{};
        std::copy(live_.totals.begin(), live_.totals.begin() + kChannels, totals.begin());
        return totals;
    };
    run_.prepareDisplay = [this] { display_.prepareActivityPlot(); };
    run_.selectPlottedGroup = [this] { display_.selectRunGroup(); };
    run_.prepareSignalPlot = [this] { display_.prepareSignalPlot(); };
    cycle_.onBlockCompleted = [this] { display_.refresh(); };
    cycle_.onSignalStep = [this] { display_.signalStep(); };
    cycle_.onMaximaDue = [this] { display_.dataIntervalReached(); };
    startRun = [this] { CmdPlay_Click(); };
    for (int n = 1; n <= device::kSearchPorts; ++n) {
        mncom1_items[n - 1] =
            &controls.add("mncom1_" + plain(n), ControlKind::MenuItem, "COM" + plain(n));
    }
    Frm_Main.visible = false;
    Frm_About.visible = false;
    Timerinicio.enabled = false;
    Timeradq.enabled = false;
    Timeradq.intervalMs = 30;
    Timer_test.enabled = false;
    Timer_test.intervalMs = 100;
    mncal_off.checked = true;
    Cmd_histoplot.visible = false;
    CmdPause.enabled = false;
    // A threshold typed in the box makes the organism "Echinococcus" through the list's own
    // handler.
    calibration.organismChosen = [this] { Cmb_organism_Click(); };
}

bool MainWindow::Form_Load(const std::string& commandLine) {
    try {
        loadStep(commandLine);
    } catch (...) {
        app_.ui.message("Error loading INIT parameters #ERROR:" + plain(app_.state.loadProgress));
        app_.state.ended = true;
    }
    return !app_.state.ended;
}

void MainWindow::loadStep(const std::string& commandLine) {
    AppState& st = app_.state;
    st.loadProgress = 0;
    st.link.offline = false;
    st.startupStep = 0;
    st.stepDone = false;
    mnstatustest.visible = false;
    st.autorun = isAutorunSwitch(commandLine);
    thermalAndLightDefaults();
    if (!configurationAndProject()) {
        return;
    }
    st.loadProgress = 3;
    init_.show();
    init_.Frm_Init.enabled = false;
    Frm_Main.visible = false;
    startupPause(0);
    const ProjectLoadResult loaded =
        app_.store.loadProjectSettings(app_.store.config().Actual_Project_Number);
    if (!loaded.newsLine.empty()) {
        init_.LblNews.text = loaded.newsLine;
    }
    st.loadProgress = 4;
    startupPause(1);
    showToolPanels();
    fillOrganism();
    fillSnrThreshold();
    st.loadProgress = 5;
    fillCalibrationBoxes();
    fillLight();
    fillTemperature();
    mncal_off_Click();
    fillMinutes();
    live_.reset(app_.store.setup().RT_Buffer);
    display_.loadProject();
    txt_projecto.text = projectTitle();
    startupPause(2);
    st.runState = 0;
    CmdPause.enabled = false;
    st.loadProgress = 7;
    startupPause(3);
    st.loadProgress = 8;
    startupPause(4);
    init_.Frm_Init.enabled = true;
    st.loadProgress = 9;
    if (st.autorun && startRun) {
        startRun();
    }
}

void MainWindow::thermalAndLightDefaults() {
    AppState& st = app_.state;
    st.heating = false;
    st.tempControlOn = false;
    st.lightEnabled = true;
    Chk_lenabled.checked = true;
    st.lightOn = false;
    cmd_frio.text = "COOL";
    cmd_ontemp.text = "OFF";
    cmd_luz.text = "OFF";
    frm_autotext.visible = false;
}

// Steps 3 and 4: the configuration and the current project folder.
bool MainWindow::configurationAndProject() {
    Store& store = app_.store;
    if (!store.configExists()) {
        app_.ui.message(kConfigNotFoundMessage);
        app_.state.ended = true;
        return false;
    }
    app_.state.loadProgress = 1;
    store.loadConfiguration();
    app_.state.loadProgress = 2;
    store.chooseProjectPath();
    app_.state.link.currentPort = store.config().Serial_COM;
    return true;
}

// A panel follows its tool flag when the flag is 1 or 0; other values leave it as it is.
void MainWindow::showToolPanels() {
    const ProjectSetup& s = app_.store.setup();
    const std::array<std::pair<Control*, std::int16_t>, 3> panels = {
        {{&frm_mn1, s.Menu1}, {&Frame_light, s.Menu2}, {&Frame_temp, s.Menu3}}};
    for (const auto& [panel, flag] : panels) {
        if (flag == 1) {
            panel->visible = true;
        } else if (flag == 0) {
            panel->visible = false;
        }
    }
}

void MainWindow::fillOrganism() {
    fillList(Cmb_organism, kOrganismList);
    selectText(Cmb_organism, organismText(app_.store.setup().Mn1[mn1::Organism]));
}

// The box shows the project's threshold; the working value never goes below the organism
// default, but at start-up the box keeps what the project holds.
void MainWindow::fillSnrThreshold() {
    const std::int16_t snrx10 = app_.store.setup().Mn1[mn1::SNRx10];
    txt_snr_umbral.text = formatNumber(snrx10 != 0 ? snrx10 / 10.0 : 1.8, "0.0");
    applyOrganismVisibility();
    app_.state.snrThreshold = boxValue(txt_snr_umbral.text);
    const std::int16_t organism = app_.store.setup().Mn1[mn1::Organism];
    if (organism >= 0 && organism <= 2 && app_.state.snrThreshold <= 1.4) {
        app_.state.snrThreshold = 1.8;
    }
}

void MainWindow::fillCalibrationBoxes() {
    const Mn& m = app_.store.setup().Mn1;
    mnCalibra.checked = m[mn1::Enab_Cal] == 1;
    cmd_calibra.visible = m[mn1::Enab_Cal] != 1;
    app_.state.autoCalibration = m[mn1::Enab_Cal] == 1;
    mnZero.checked = m[mn1::Enab_Zero] == 1;
    Cmd_autozero.visible = m[mn1::Enab_Zero] != 1;
    app_.state.autoZero = m[mn1::Enab_Zero] == 1;
}

void MainWindow::fillLight() {
    Mn& m = app_.store.setup().Mn2;
    Chk_lenabled.checked = m[mn2::Enable] == 1;
    app_.state.lightEnabled = m[mn2::Enable] == 1;
    if (m[mn2::Time_ON] == 0 && m[mn2::Time_OFF] == 0) {
        m[mn2::Time_ON] = 9;
        m[mn2::Time_OFF] = 21;
    }
    txt_lon.text = plain(m[mn2::Time_ON]);
    txt_loff.text = plain(m[mn2::Time_OFF]);
    frm_pulse.visible = false;
    if (!app_.state.lightEnabled) {
        return;
    }
    txt_pulsetimes.text = plain(m[mn2::Pulse_Cycles]);
    txt_pulseon.text = formatNumber(m[mn2::Pulse_ONx10] / 10.0, "0.0");
    txt_pulseoff.text = formatNumber(m[mn2::Pulse_OFFx10] / 10.0, "0.0");
    const bool pulses = m[mn2::Pulse_Cycles] >= 1;
    frm_pulse.visible = pulses;
    txt_lon.enabled = !pulses;
    txt_loff.enabled = !pulses;
}

void MainWindow::fillTemperature() {
    Mn& m = app_.store.setup().Mn3;
    Chk_tenabled.checked = m[mn3::Enable] == 1;
    app_.state.tempControlEnabled = m[mn3::Enable] == 1;
    if (m[mn3::Tempx10] < 20 || m[mn3::Tempx10] > 500) {
        m[mn3::Tempx10] = 200;
    }
    txttemp.text = formatNumber(m[mn3::Tempx10] / 10.0, "0.0");
}

void MainWindow::fillMinutes() {
    fillList(combo_minutes, kMinutesList);
    const std::int16_t userDefined = loadReportConfig(
        app_.store.applicationFolder(), 1, app_.store.report(), reportListSeparator(), app_.ui);
    if (userDefined == 1) {
        mn_userbin.checked = true;
        selectText(combo_minutes, plain(app_.store.report().Bin));
    } else {
        mn_userbin.checked = false;
        combo_minutes.listIndex = 1;
        combo_minutes.text = kMinutesList[1];
    }
}

// The window's Timerinicio ticks while the events are processed; without a window event loop
// (tests, headless drivers) the clock says when the tick is due and the wait fires it itself.
void MainWindow::startupPause(int step) {
    app_.state.startupStep = static_cast<std::int16_t>(step);
    app_.state.stepDone = false;
    Timerinicio.intervalMs = kStartupPauseMs;
    Timerinicio.enabled = true;
    timerArmedAt_ = app_.clock.monotonicMs();
    while (!app_.state.stepDone) {
        app_.ui.processEvents();
        if (app_.state.stepDone) {
            break;
        }
        app_.clock.sleepMs(kEventPollMs);
        if (Timerinicio.enabled &&
            app_.clock.monotonicMs() - timerArmedAt_ >= Timerinicio.intervalMs) {
            Timerinicio_Timer();
        }
    }
}

void MainWindow::Timerinicio_Timer() {
    Timerinicio.enabled = false;
    switch (app_.state.startupStep) {
        case 1:
            init_.LblNews.text = "STARTING........... Reading Configuration...";
            break;
        case 2:
            init_.LblNews.text = "STARTING........... Configuration OK...";
            break;
        case 3:
            init_.LblNews.text = "status = not connected yet";
            break;
        default:
            break;
    }
    app_.state.stepDone = true;
}

void MainWindow::Form_Activate() {
    try {
        const ProjectSetup& s = app_.store.setup();
        if (!Timeradq.enabled) {
            txt_projecto.text = projectTitle();
            txt_acqlapse.text = plain(s.Aq_lapse);
            txt_wellformat.text = s.Plate_format;
            // A run paused with its time counter stopped has no timer running either, but its
            // totals and histograms go on into the files: only a stopped run's are cleared.
            if (app_.state.runState == 0) {
                live_.reset(s.RT_Buffer);
                display_.loadProject();
            }
        }
        chk_bodybends.enabled = isBodyBendsFormat();
        if (!chk_bodybends.enabled) {
            chk_bodybends.checked = false;
        }
    } catch (...) {
        app_.ui.message("Error loading parameters");
    }
}

// Called after the box's new tick state is in chk_bodybends.checked.
void MainWindow::chk_bodybends_Click() {
    if (chk_bodybends.checked) {
        if (isBodyBendsFormat()) {
            app_.state.bodyBends = 1;
            app_.ui.message(
                "WARNING!\r\nExperimental functionality! Beta testing.\r\nContact us for more "
                "information");
            Cmd_histoplot.visible = true;
            return;
        }
        app_.state.bodyBends = 0;
        chk_bodybends.checked = false;
        chk_bodybends.visible = false;
        return;
    }
    app_.state.bodyBends = 0;
    Cmd_histoplot.visible = false;
    if (display_.viewMode() == LiveDisplay::kHistogramPlot) {
        display_.Cmd_barplot_Click();
    }
    if (!isBodyBendsFormat()) {
        chk_bodybends.visible = false;
    }
}

// A change of the list first stores the new position as the project's organism.
void MainWindow::Cmb_organism_Click() {
    app_.store.setup().Mn1[mn1::Organism] = static_cast<std::int16_t>(Cmb_organism.listIndex);
    applyOrganismDefault();
}

void MainWindow::lbl_umbral_Click() {
    txt_snr_umbral.visible = !txt_snr_umbral.visible;
}

void MainWindow::applyOrganismVisibility() {
    const std::int16_t organism = app_.store.setup().Mn1[mn1::Organism];
    if (organism == 0 || organism == 1) {
        txt_snr_umbral.visible = false;
    } else if (organism == 2) {
        lbl_umbral.text = "> Zero SNR:";
        txt_snr_umbral.visible = true;
    }
}

void MainWindow::applyOrganismDefault() {
    const std::int16_t organism = app_.store.setup().Mn1[mn1::Organism];
    if (organism == 0) {
        txt_snr_umbral.text = "1.8";
    } else if (organism == 1) {
        txt_snr_umbral.text = "2.1";
    }
    applyOrganismVisibility();
    app_.state.snrThreshold = boxValue(txt_snr_umbral.text);
    if (app_.state.snrThreshold <= 1.4) {
        app_.state.snrThreshold = 1.8;
        txt_snr_umbral.text = "1.8";
    }
}

void MainWindow::mncal_off_Click() {
    app_.state.calibrationManual = false;
    Cmd_readblank.visible = false;
    mnCalibra.checked = true;
    mnCalibra.visible = false;
    mnZero.checked = true;
    mnZero.visible = false;
    app_.state.autoCalibration = true;
    app_.state.autoZero = true;
    mncal_off.checked = true;
    mncal_on.checked = false;
}

void MainWindow::mncal_on_Click() {
    app_.state.calibrationManual = true;
    Cmd_readblank.visible = true;
    mnCalibra.visible = true;
    mnZero.visible = true;
    mncal_on.checked = true;
    mncal_off.checked = false;
}

void MainWindow::mnCalibra_Click() {
    app_.state.autoCalibration = mnCalibra.checked;
    app_.store.setup().Mn1[mn1::Enab_Cal] = mnCalibra.checked ? 1 : 0;
    cmd_calibra.visible = !mnCalibra.checked;
}

void MainWindow::mnZero_Click() {
    app_.state.autoZero = mnZero.checked;
    app_.store.setup().Mn1[mn1::Enab_Zero] = mnZero.checked ? 1 : 0;
    Cmd_autozero.visible = !mnZero.checked;
}

void MainWindow::mncontent_Click() {
    app_.ui.openExternal("qvl_help.pdf", ExternalKind::Document);
}

void MainWindow::mnabout_Click() {
    Frm_About.visible = true;
}

void MainWindow::Form_Unload() {
    try {
        if (!app_.state.link.offline) {
            const std::string q = "Update values to project " + projectTitle() + " before Exit?";
            if (app_.ui.ask(q, Buttons::YesNo) == Answer::Yes) {
                if (!app_.store.saveProjectSettings()) {
                    app_.ui.message("<Error Saving Project Settings>");
                }
                app_.clock.sleepMs(300);
                app_.ui.processEvents();
                app_.clock.sleepMs(300);
            }
            closePort();
        }
    } catch (...) {
        // The program ends all the same; the files are closed with their operations.
    }
    app_.state.ended = true;
}

void MainWindow::attachWindows(Control& setupForm, Control& offlineForm) {
    setupForm_ = &setupForm;
    offlineForm_ = &offlineForm;
    run_.setupForm = &setupForm;
    run_.offlineForm = &offlineForm;
}

void MainWindow::CmdPlay_Click() {
    // The setup window ticks these boxes without their handlers: the run goes by the boxes.
    app_.state.lightEnabled = Chk_lenabled.checked;
    app_.state.tempControlEnabled = Chk_tenabled.checked;
    run_.CmdPlay_Click();
    if (app_.state.runState == 1) {
        currentAcquisition = run_.acquisitionFolder().filename().string();
    }
}

void MainWindow::CmdPause_Click() {
    run_.CmdPause_Click();
}

void MainWindow::CmdStop_Click() {
    run_.CmdStop_Click();
}

void MainWindow::Timeradq_Timer() {
    cycle_.Timeradq_Timer();
}

void MainWindow::Cmdsetup_Click() {
    if (setupForm_ != nullptr) {
        setupForm_->visible = true;
    }
}

void MainWindow::attachToolWindows(Control& arenaForm, Control& factoryForm) {
    arenaForm_ = &arenaForm;
    factoryForm_ = &factoryForm;
}

void MainWindow::mn_arena_Click() {
    if (app_.state.runState > 0) {
        app_.ui.message(kStopExperimentRefusal);
    } else if (arenaForm_ != nullptr) {
        arenaForm_->visible = true;
    }
}

void MainWindow::mn_factory_Click() {
    const device::LinkState& link = app_.state.link;
    if (link.offline || !link.connected || app_.state.runState > 0) {
        app_.ui.message(kStopExperimentRefusal);
    } else if (factoryForm_ != nullptr) {
        factoryForm_->visible = true;
    }
}

void MainWindow::Cmdoffline_Click() {
    init_.show();
    Frm_Main.visible = false;
}

void MainWindow::showForAcquisition() {
    Frm_Main.visible = true;
    if (!app_.state.link.connected) {
        cmd_connect_Click();
    }
}

void MainWindow::cmd_connect_Click() {
    app_.device.connection.connectAction();
    followConnection();
    if (app_.state.link.offline) {
        init_.show();
        Frm_Main.visible = false;
    }
}

void MainWindow::Cmd_disconnect_Click() {
    app_.device.connection.disconnect();
    followConnection();
}

void MainWindow::mncom1_Click(int n) {
    app_.device.connection.chooseComPort(n);
    followConnection();
}

void MainWindow::followConnection() {
    const device::ConnectionView& now = app_.device.connection.view();
    if (now.frm_autotext != followed_.frm_autotext) {
        frm_autotext.visible = now.frm_autotext;
    }
    if (now.lbl_autotext != followed_.lbl_autotext) {
        lbl_autotext.text = now.lbl_autotext;
    }
    if (now.lbl_autochannel != followed_.lbl_autochannel) {
        lbl_autochannel.text = now.lbl_autochannel;
    }
    if (now.LblNews != followed_.LblNews) {
        init_.LblNews.text = now.LblNews;
    }
    if (now.mncom != followed_.mncom) {
        for (int i = 0; i < device::kSearchPorts; ++i) {
            mncom1_items[i]->checked = now.mncom[i];
        }
    }
    followed_ = now;
    const device::LinkState& link = app_.state.link;
    // The device test needs the instrument: its menu item is there while one is connected.
    mnstatustest.visible = link.connected;
    if (link.connected) {
        lbl_devicestatus.text = "SERIAL : QRVL" + formatPadded(link.serialNumber, 5) + " on COM" +
                                plain(link.currentPort);
    } else {
        lbl_devicestatus.text = link.offline ? "OFFLINE MODE" : "Not connected";
    }
}

void MainWindow::closePort() {
    if (app_.state.link.connected || app_.device.comm.isOpen(app_.state.link.currentPort)) {
        app_.device.comm.CommClose(app_.state.link.currentPort);
        app_.state.link.connected = false;
    }
}

void MainWindow::attachReportWindows(ReportWindow& report, ReportSettingsWindow& settings) {
    report_ = &report;
    reportSettings_ = &settings;
    report.attach(mn_userbin);
    settings.attach(mn_userbin, Frm_Main);
}

void MainWindow::mn_userbin_Click() {
    const std::int16_t flag = mn_userbin.checked ? 1 : 0;
    Store& store = app_.store;
    loadReportConfig(store.applicationFolder(), flag, store.report(), reportListSeparator(),
                     app_.ui);
    saveReportConfig(store.applicationFolder(), flag, store.report(), app_.ui);
    if (reportSettings_ != nullptr) {
        reportSettings_->Form_Load();
    }
}

void MainWindow::Cmd_showreport_Click() {
    showMyReport(false);
}

void MainWindow::showMyReport(bool autoreport) {
    const auto folder = showMyReportFolder(app_.store.projectPath(), currentAcquisition, app_.ui);
    if (folder && report_ != nullptr) {
        report_->showMyReport(*folder, autoreport);
    }
}

void MainWindow::mn_reportwindow_Click() {
    std::string name = currentAcquisition;
    if (name.empty()) {
        name = newestAcquisitionFolder(app_.store.projectPath());
    }
    if (name.empty()) {
        app_.ui.message("Activity file not Found");
        return;
    }
    const auto folder = showMyReportFolder(app_.store.projectPath(), name, app_.ui);
    if (folder && report_ != nullptr) {
        report_->openOn(*folder);
    }
}

void MainWindow::mn_quickreport_Click() {
    std::array<std::int64_t, kChannels> totals{};
    if (runTotals) {
        totals = runTotals();
    }
    const Store& store = app_.store;
    writeQuickReport(app_.store.projectPath(),
                     quickReportInputOf(store.config().Actual_Project_Number, store.setup(),
                                        store.plate(), totals),
                     Timeradq.enabled, app_.ui, app_.clock);
}

std::string MainWindow::projectTitle() const {
    return plain(app_.store.config().Actual_Project_Number) + "_" + app_.store.setup().Name;
}

bool MainWindow::isBodyBendsFormat() const {
    return app_.store.setup().Plate_format == "w96u";
}

}  // namespace qv

#include "tools/arena_window.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "common/number_format.h"
#include "common/rounding.h"
#include "store/calibration_values.h"
#include "tools/multitask_file.h"

namespace qv {

namespace {

constexpr int kLiveIntervalMs = 200;
constexpr double kLowestTarget = 10;
constexpr double kHighestTarget = 190;

std::string plain(int v) {
    return std::to_string(v);
}

Control& scrollBar(Controls& controls, const char* name) {
    Control& c = controls.add(name, ControlKind::ScrollBar);
    c.maximum = kArenaTopSetting;
    return c;
}

// A box's number inside [lo, hi], or nullopt.
std::optional<double> boxValue(const Control& box, double lo, double hi) {
    const std::optional<double> v = typedNumber(box.text);
    if (!v || *v < lo || *v > hi) {
        return std::nullopt;
    }
    return v;
}

}  // namespace

ArenaWindow::ArenaWindow(CareContext& care)
    : Frm_Arena(controls.add("Frm_Arena", ControlKind::Form, "Channel Calibration Arena")),
      Cmd_online(controls.add("Cmd_online", ControlKind::Button, "ONLINE")),
      Cmd_offline(controls.add("Cmd_offline", ControlKind::Button, "OFFLINE")),
      Timerreal(controls.add("Timerreal", ControlKind::Timer)),
      Picreal(controls.add("Picreal", ControlKind::Picture)),
      Picwell(controls.add("Picwell", ControlKind::Picture)),
      txt_pixel(controls.add("txt_pixel", ControlKind::TextBox, "8")),
      txt_brillo(controls.add("txt_brillo", ControlKind::TextBox, "1.0")),
      txt_zoom(controls.add("txt_zoom", ControlKind::TextBox, "1")),
      Cmd_autoblank(controls.add("Cmd_autoblank", ControlKind::Button, "Auto Set Blank")),
      Combofila(controls.add("Combofila", ControlKind::ComboBox)),
      Combocol(controls.add("Combocol", ControlKind::ComboBox)),
      lblcanal(controls.add("lblcanal", ControlKind::Label, "0")),
      scrollgain(scrollBar(controls, "scrollgain")),
      txtgain(controls.add("txtgain", ControlKind::TextBox)),
      scrollpower(scrollBar(controls, "scrollpower")),
      txtpower(controls.add("txtpower", ControlKind::TextBox)),
      Cmd_setall(controls.add("Cmd_setall", ControlKind::Button, "Set All")),
      lblout(controls.add("lblout", ControlKind::Label)),
      Cmdcalibrar(controls.add("Cmdcalibrar", ControlKind::Button, "<CALIBRATE>& Auto-Gain")),
      Combomode(controls.add("Combomode", ControlKind::ComboBox)),
      Txtajuste(controls.add("Txtajuste", ControlKind::TextBox)),
      lblband(controls.add("lblband", ControlKind::Label)),
      lblprogress(controls.add("lblprogress", ControlKind::Label)),
      cmd_setcalibra(controls.add("cmd_setcalibra", ControlKind::Button, "SAVE")),
      lblstatus(controls.add("lblstatus", ControlKind::Label, "ENABLED")),
      cmdTEST(controls.add("cmdTEST", ControlKind::Button, "TEST CURVA DE GANANCIA")),
      txt_test(controls.add("txt_test", ControlKind::TextBox, "Gain=0;Pinhole=0")),
      cmd_exit(controls.add("cmd_exit", ControlKind::Button, "EXIT")),
      care_(care),
      device_(care) {
    Frm_Arena.visible = false;
    Timerreal.intervalMs = kLiveIntervalMs;
    Timerreal.enabled = false;
    lblprogress.visible = false;
    std::vector<std::string> rows;
    for (int r = 0; r < kArenaRows; ++r) {
        rows.emplace_back(1, static_cast<char>('A' + r));
    }
    fillList(Combofila, rows);
    std::vector<std::string> columns;
    for (int c = 1; c <= kArenaColumns; ++c) {
        columns.push_back(plain(c));
    }
    fillList(Combocol, columns);
    fillList(Combomode, {"Max.Gain", "Max.Power"});
    Combomode.listIndex = 0;
}

void ArenaWindow::Form_Load() {
    live_.clear();
    target_ = care_.store.setup().Cal_value;
    Txtajuste.text = plain(static_cast<int>(target_));
    const TargetBand b = band();
    lblband.text = "Band " + plain(b.lower) + " .. " + plain(b.upper);
    txt_test.text = "Gain=0;Pinhole=0";
    lblout.text.clear();
    loadSettings();
    setLive(false);
    select(selected_);
}

// The settings this window starts from are the saved ones; what it writes afterwards is kept
// per channel, so the scroll bars always show what the instrument was last given.
void ArenaWindow::loadSettings() {
    CalibrationValues& saved = care_.store.calibration();
    readCalibrationValues(care_.store.applicationFolder(), saved);
    for (int c = 0; c < kArenaChannels; ++c) {
        const auto at = static_cast<std::size_t>(c);
        settings_[at] = {std::clamp<int>(saved.PinHole[at], 0, kArenaTopSetting),
                         std::clamp<int>(saved.Gain[at], 0, kArenaTopSetting)};
    }
}

void ArenaWindow::Form_Unload() {
    setLive(false);
    lblprogress.visible = false;
    Frm_Arena.visible = false;
}

TargetBand ArenaWindow::band() const {
    return targetBand(target_);
}

void ArenaWindow::select(int channel) {
    selected_ = std::clamp(channel, 0, kArenaChannels - 1);
    showSelected();
    draw();
}

void ArenaWindow::Combofila_Click() {
    select(channelAt(std::max(Combofila.listIndex, 0), columnOf(selected_)));
}

void ArenaWindow::Combocol_Click() {
    select(channelAt(rowOf(selected_), std::max(Combocol.listIndex, 0)));
}

void ArenaWindow::Picwell_Mouse(const MouseEvent& e) {
    if (e.kind != MouseEvent::Kind::Down) {
        return;
    }
    const int column = static_cast<int>(std::floor(e.x));
    const int row = static_cast<int>(std::floor(e.y));
    if (column >= 0 && column < kArenaColumns && row >= 0 && row < kArenaRows) {
        select(channelAt(row, column));
    }
}

void ArenaWindow::scrollgain_Change() {
    applySelected({settings_[static_cast<std::size_t>(selected_)].pinHole, scrollgain.value});
}

void ArenaWindow::scrollpower_Change() {
    applySelected({scrollpower.value, settings_[static_cast<std::size_t>(selected_)].gain});
}

// The row and column pickers always name the channel the scroll bars act on, also when the
// calibration moved the selection along.
void ArenaWindow::showSelected() {
    const ChannelSetting s = settings_[static_cast<std::size_t>(selected_)];
    Combofila.listIndex = rowOf(selected_);
    Combocol.listIndex = columnOf(selected_);
    lblcanal.text = plain(selected_);
    scrollgain.value = s.gain;
    txtgain.text = plain(s.gain);
    scrollpower.value = s.pinHole;
    txtpower.text = plain(s.pinHole);
    const bool enabled = care_.store.setup().channelEnabled[static_cast<std::size_t>(selected_)];
    lblstatus.text = enabled ? "ENABLED" : "DISABLED";
}

// A change writes the channel's setting; a write the instrument never confirmed leaves the
// scroll bars where the channel really is.
void ArenaWindow::applySelected(ChannelSetting wanted) {
    if (!busy_ && device_.usable() && device_.write(selected_, wanted)) {
        settings_[static_cast<std::size_t>(selected_)] = wanted;
    }
    showSelected();
}

void ArenaWindow::Cmd_online_Click() {
    if (busy_ || !device_.usable()) {
        return;
    }
    if (!device_.answers()) {
        care_.ui.message(kCommunicationError);
        return;
    }
    setLive(true);
}

void ArenaWindow::Cmd_offline_Click() {
    setLive(false);
}

void ArenaWindow::setLive(bool on) {
    Timerreal.enabled = on;
    Cmd_online.enabled = !on && !busy_;
    Cmd_offline.enabled = on;
    Cmd_setall.enabled = on && !busy_;
}

// A run owns the line: the live reading stops rather than wait for it. A block that does not
// come stops it too, after its message, so a silent instrument is not asked five times a
// second.
void ArenaWindow::Timerreal_Timer() {
    if (busy_ || !Timerreal.enabled) {
        return;
    }
    if (!device_.free() || !device_.readAll(live_.latest)) {
        setLive(false);
        return;
    }
    live_.record();
    draw();
}

void ArenaWindow::Cmd_setall_Click() {
    if (busy_ || !Timerreal.enabled || !device_.usable()) {
        return;
    }
    const ChannelSetting s{scrollpower.value, scrollgain.value};
    beginWork();
    bool confirmed = true;
    for (int c = 0; c < kArenaChannels && confirmed; ++c) {
        const int reply = device_.writeUntilEcho(c, s, confirmed);
        lblout.text = "CH" + plain(c) + " reply " + plain(reply);
        lblprogress.text = "Set All CH" + plain(c);
        if (!confirmed) {
            care_.ui.message("Ops...Data Writing ERROR: reg(" + plain(c) +
                             ")... Check COM and Try again");
            continue;
        }
        settings_[static_cast<std::size_t>(c)] = s;
        care_.ui.processEvents();
        if (!lblprogress.visible || !device_.free()) {
            break;
        }
    }
    endWork();
    setLive(confirmed && device_.free());
}

void ArenaWindow::Txtajuste_LostFocus() {
    const std::optional<double> v = boxValue(Txtajuste, kLowestTarget, kHighestTarget);
    if (!v) {
        care_.ui.message("Invalid value: 10 to 190");
    } else {
        target_ = static_cast<double>(roundHalfEven(*v));  // a whole percent, as Cal_value
    }
    Txtajuste.text = formatNumber(target_, "0");
    const TargetBand b = band();
    lblband.text = "Band " + plain(b.lower) + " .. " + plain(b.upper);
    draw();
}

void ArenaWindow::Cmdcalibrar_Click() {
    if (busy_ || !device_.usable()) {
        return;
    }
    Txtajuste_LostFocus();
    if (!beginWork()) {
        return;
    }
    ArenaCalibration calibration(device_, settings_, live_.latest, lblprogress);
    calibration.tuned = [this](int channel) {
        selected_ = channel;
        showSelected();
        draw();
    };
    const ArenaMode mode = Combomode.listIndex == 1 ? ArenaMode::MaxPower : ArenaMode::MaxGain;
    lastCalibration_ = calibration.run(mode, band());
    endWork();
    summarise(lastCalibration_);
}

void ArenaWindow::summarise(const ArenaCalibrationResult& r) {
    const std::vector<int> outside = r.outside(band());
    std::string text = "Calibrated " + plain(r.channelsTuned) + " channels";
    if (outside.empty()) {
        text += r.channelsTuned > 0 ? ", all inside the band" : "";
    } else {
        text += ", " + plain(static_cast<int>(outside.size())) + " outside the band: CH";
        for (std::size_t i = 0; i < outside.size() && i < 8; ++i) {
            text += (i > 0 ? ", " : " ") + plain(outside[i]);
        }
        text += outside.size() > 8 ? ", ..." : "";
    }
    lblout.text = text;
}

void ArenaWindow::cmd_setcalibra_Click() {
    if (busy_ || !device_.usable() || !beginWork()) {
        return;
    }
    ArenaSaving saving(device_, settings_, lblprogress);
    lastSaving_ = saving.run();
    endWork();
}

void ArenaWindow::cmdTEST_Click() {
    if (busy_ || !device_.usable() || !beginWork()) {
        return;
    }
    GainCurveTest test(device_, txt_test, lblprogress);
    lastGainCurve_ = test.run(scrollpower.value);
    endWork();
    if (lastGainCurve_.completed) {
        lblout.text = "Gain curve written to test_bk.txt, test_mean.txt, test_desv.txt";
    }
}

void ArenaWindow::lblstatus_DblClick() {
    auto& setup = care_.store.setup();
    const auto at = static_cast<std::size_t>(selected_);
    const bool enabled = setup.channelEnabled[at];
    const std::string question = std::string(enabled ? "Do you like to Disable Channel "
                                                     : "Do you like to Enable Channel ") +
                                 plain(selected_) + "?";
    if (care_.ui.ask(question, Buttons::YesNoCancel) == Answer::Yes) {
        setup.channelEnabled[at] = !enabled;
        setup.channelStatus[at] = enabled ? 0 : 1;
    }
    showSelected();
    draw();
}

void ArenaWindow::cmd_exit_Click() {
    setLive(false);
    if (!releaseMultitaskPort(care_.store.applicationFolder(), care_.state.link.currentPort)) {
        care_.ui.message("multitsk.dat could not be written in " +
                         care_.store.applicationFolder().string());
    }
    if (endApplication) {
        endApplication();
    } else {
        Form_Unload();
    }
}

void ArenaWindow::lblprogress_Click() {
    lblprogress.visible = false;
}

void ArenaWindow::txt_pixel_LostFocus() {
    if (!boxValue(txt_pixel, 1, 10)) {
        care_.ui.message("Invalid value: 1 to 10");
        txt_pixel.text = "8";
    }
    draw();
}

void ArenaWindow::txt_brillo_LostFocus() {
    if (!boxValue(txt_brillo, 0.1, 10)) {
        care_.ui.message("Invalid value: 0.1 to 10.0");
        txt_brillo.text = "1.0";
    }
    draw();
}

void ArenaWindow::txt_zoom_LostFocus() {
    if (!boxValue(txt_zoom, 1, 16)) {
        care_.ui.message("Invalid value: 1 to 16");
        txt_zoom.text = "1";
    }
    draw();
}

void ArenaWindow::Cmd_autoblank_Click() {
    live_.autoSetBlank();
    draw();
}

bool ArenaWindow::beginWork() {
    if (busy_) {
        return false;
    }
    setLive(false);
    busy_ = true;
    setButtonsEnabled(false);
    lblprogress.visible = true;
    return true;
}

void ArenaWindow::endWork() {
    busy_ = false;
    lblprogress.visible = false;
    setButtonsEnabled(true);
    setLive(false);
    showSelected();
    draw();
}

void ArenaWindow::setButtonsEnabled(bool on) {
    for (Control* c : {&Cmd_online, &Cmdcalibrar, &cmd_setcalibra, &cmdTEST, &Cmd_setall,
                       &scrollgain, &scrollpower, &cmd_exit}) {
        c->enabled = on;
    }
}

void ArenaWindow::draw() {
    if (Picreal.canvas != nullptr) {
        live_.drawSignal(*Picreal.canvas, selected_, band(), boxValue(txt_zoom, 1, 16).value_or(1));
    }
    if (Picwell.canvas != nullptr) {
        PixelMapLook look;
        look.selected = selected_;
        look.band = band();
        look.brightness = boxValue(txt_brillo, 0.1, 10).value_or(1.0);
        look.pixelSize = static_cast<int>(boxValue(txt_pixel, 1, 10).value_or(8));
        look.enabled = care_.store.setup().channelEnabled.data();
        live_.drawPixelMap(*Picwell.canvas, look);
    }
}

}  // namespace qv

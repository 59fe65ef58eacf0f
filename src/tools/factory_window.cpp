#include "tools/factory_window.h"

#include "common/number_format.h"
#include "device/com_module.h"
#include "tools/arena_device.h"

namespace qv {

namespace {

constexpr int kTemperatureIntervalMs = 1000;
constexpr const char* kNotCalibrated = "NON Calibrated";

}  // namespace

std::string lastCalibrationText(int month, int year) {
    return "OK Last Factory Calibration " + formatNumber(month, "00") + "/" +
           formatNumber(year, "00") + " [mm/yy]";
}

FactoryWindow::FactoryWindow(CareContext& care)
    : Frm_Factory(controls.add("Frm_Factory", ControlKind::Form, "Factory Settings")),
      lblserial(controls.add("lblserial", ControlKind::Label)),
      txt_mensaje(controls.add("txt_mensaje", ControlKind::TextBox, "Non Calibrated")),
      txt_set_temp(controls.add("txt_set_temp", ControlKind::TextBox)),
      txt_current_temp(controls.add("txt_current_temp", ControlKind::TextBox)),
      Cmd_temp(controls.add("Cmd_temp", ControlKind::Button, "SET")),
      Timer_temp(controls.add("Timer_temp", ControlKind::Timer)),
      care_(care),
      sensor_(care) {
    Frm_Factory.visible = false;
    Timer_temp.intervalMs = kTemperatureIntervalMs;
    Timer_temp.enabled = false;
}

void FactoryWindow::Form_Load() {
    device::LinkState& link = care_.state.link;
    if (!link.factoryCalibration) {
        link.temperatureSlope = device::kDefaultTemperatureSlope;
        link.temperatureOffset = device::kDefaultTemperatureOffset;
    }
    showCalibrationState();
    txt_set_temp.text = formatNumber(25, "0.0");
    txt_current_temp.text = formatNumber(0, "0.0");
}

void FactoryWindow::showCalibrationState() {
    const device::LinkState& link = care_.state.link;
    txt_mensaje.text = link.factoryCalibration
                           ? lastCalibrationText(link.calibrationMonth, link.calibrationYear)
                           : kNotCalibrated;
}

void FactoryWindow::Form_Activate() {
    Timer_temp.enabled = true;
    lblserial.text = "SERIAL : QRVL" + formatNumber(care_.state.link.serialNumber, "00000");
}

void FactoryWindow::Form_Deactivate() {
    Timer_temp.enabled = false;
}

void FactoryWindow::Form_Unload() {
    Timer_temp.enabled = false;
    Frm_Factory.visible = false;
}

// A silent instrument would hold the window for the whole read budget every second: the
// timer stops after the first reading that does not come, until the window is activated again.
void FactoryWindow::Timer_temp_Timer() {
    if (!ArenaDevice(care_).free()) {
        return;
    }
    const std::optional<double> t = sensor_.temperature();
    if (!t) {
        Timer_temp.enabled = false;
        txt_current_temp.text = "----";
        care_.ui.message(kCommunicationError);
        return;
    }
    txt_current_temp.text = formatNumber(*t, "0.0");
}

void FactoryWindow::Cmd_temp_Click() {
    const std::optional<double> reference = typedNumber(txt_set_temp.text);
    last_ = sensor_.set(reference.value_or(0));
    if (last_.refused) {
        return;
    }
    if (last_.calibrated) {
        showCalibrationState();
    } else {
        txt_mensaje.text = kNotCalibrated;
    }
}

}  // namespace qv

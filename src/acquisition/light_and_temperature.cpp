#include "acquisition/light_and_temperature.h"

#include <cmath>

#include "common/canvas.h"
#include "common/number_format.h"
#include "common/rounding.h"
#include "device/register_map.h"

namespace qv {

namespace reg = device::reg;

int controlWord(bool lightOn, bool heating, bool controlOn) {
    return (controlOn ? reg::kControlTemperatureOn : 0) | (heating ? reg::kControlHeating : 0) |
           (lightOn ? reg::kControlLightOn : 0);
}

bool scheduledLightOn(int on, int off, int hour) {
    if (off > on) {
        return on <= hour && hour < off;
    }
    if (off == on) {
        return false;
    }
    return !(off <= hour && hour < on);
}

ThermalFlags regulation(double t, double s, bool enabled, ThermalFlags now) {
    if (t <= 10 || t >= 38 || !enabled) {
        return {};
    }
    ThermalFlags f = now;
    if (s - 0.5 < t && t < s + 0.5) {
        f.controlOn = false;
    }
    if (t >= s + 0.5) {
        f.heating = false;
        f.controlOn = t >= s + 0.6;
    }
    if (t <= s - 0.5) {
        f.heating = true;
        if (t <= s - 0.6) {
            f.controlOn = true;
        }
    }
    return f;
}

std::optional<bool> pulseLight(double t, int n, double on, double off) {
    const double period = on + off;
    if (t >= n * period) {
        return std::nullopt;
    }
    const double k = std::floor(t / period);
    return t - k * period < on;
}

LightTemperatureControls LightTemperatureControls::of(Controls& c) {
    return {controlOf(c, "Frame_light", ControlKind::Frame, "Light Control"),
            controlOf(c, "Chk_lenabled", ControlKind::CheckBox, "Enable"),
            controlOf(c, "txt_lon", ControlKind::TextBox),
            controlOf(c, "txt_loff", ControlKind::TextBox),
            controlOf(c, "cmd_cyclepulse", ControlKind::Button, "Pulses"),
            controlOf(c, "frm_pulse", ControlKind::Frame, "Pulses"),
            controlOf(c, "txt_pulsetimes", ControlKind::TextBox),
            controlOf(c, "txt_pulseon", ControlKind::TextBox),
            controlOf(c, "txt_pulseoff", ControlKind::TextBox),
            controlOf(c, "cmd_luz", ControlKind::Button, "OFF"),
            controlOf(c, "shape_light", ControlKind::Shape),
            controlOf(c, "Frame_temp", ControlKind::Frame, "Temperature"),
            controlOf(c, "Chk_tenabled", ControlKind::CheckBox, "Enabled"),
            controlOf(c, "txttemp", ControlKind::TextBox),
            controlOf(c, "Cmd_settemp", ControlKind::Button, "Set"),
            controlOf(c, "cmd_frio", ControlKind::Button, "COOL"),
            controlOf(c, "cmd_ontemp", ControlKind::Button, "OFF"),
            controlOf(c, "lght_ctl", ControlKind::MenuItem, "Light Control"),
            controlOf(c, "temp_ctl", ControlKind::MenuItem, "Temperature Control")};
}

LightAndTemperature::LightAndTemperature(CareContext& care, LightTemperatureControls controls)
    : care_(care), c_(controls) {
    showWord();
}

void LightAndTemperature::sendControlWord() {
    const AppState& st = care_.state;
    lastWord_ = controlWord(st.lightOn, st.heating, st.tempControlOn);
    // Not retried: the next change or tick sends the word again.
    care_.com.WriteRegister(reg::kControlWord, static_cast<std::int16_t>(lastWord_),
                            reg::kBankCommand);
    showWord();
}

void LightAndTemperature::showWord() {
    const AppState& st = care_.state;
    c_.cmd_luz.text = st.lightOn ? "ON" : "OFF";
    c_.shape_light.backColor = (st.lightOn ? colors::green : colors::red).packed();
    c_.cmd_frio.text = st.heating ? "HEAT" : "COOL";
    c_.cmd_ontemp.text = st.tempControlOn ? "ON" : "OFF";
    const Color unit = !st.tempControlOn ? colors::white : st.heating ? colors::red : colors::blue;
    c_.cmd_ontemp.backColor = unit.packed();
}

void LightAndTemperature::sendOrLeavePending() {
    if (care_.state.runState == 1) {
        pending_ = true;
    } else {
        sendControlWord();
    }
}

void LightAndTemperature::cmd_luz_Click() {
    AppState& st = care_.state;
    st.lightOn = !st.lightOn;
    c_.shape_light.backColor = (st.lightOn ? colors::green : colors::red).packed();
    sendOrLeavePending();
}

void LightAndTemperature::cmd_frio_Click() {
    care_.state.heating = !care_.state.heating;
    care_.state.tempControlOn = false;
    sendOrLeavePending();
}

void LightAndTemperature::cmd_ontemp_Click() {
    care_.state.tempControlOn = !care_.state.tempControlOn;
    sendOrLeavePending();
}

void LightAndTemperature::Cmd_settemp_Click() {
    setPoint_ = leadingNumber(commaAsPoint(c_.txttemp.text));
}

void LightAndTemperature::cmd_cyclepulse_Click() {
    c_.frm_pulse.visible = !c_.frm_pulse.visible;
}

void LightAndTemperature::Chk_lenabled_Click() {
    care_.state.lightEnabled = c_.Chk_lenabled.checked;
    care_.store.setup().Mn2[mn2::Enable] = c_.Chk_lenabled.checked ? 1 : 0;
}

void LightAndTemperature::Chk_tenabled_Click() {
    care_.state.tempControlEnabled = c_.Chk_tenabled.checked;
    care_.store.setup().Mn3[mn3::Enable] = c_.Chk_tenabled.checked ? 1 : 0;
}

void LightAndTemperature::togglePanel(Control& panel, std::int16_t& flag) {
    if (panel.visible) {
        panel.visible = false;
        flag = 0;
        return;
    }
    care_.ui.message("Only available in some hardware versions");
    panel.visible = true;
    flag = 1;
}

void LightAndTemperature::lght_ctl_Click() {
    togglePanel(c_.Frame_light, care_.store.setup().Menu2);
}

void LightAndTemperature::temp_ctl_Click() {
    togglePanel(c_.Frame_temp, care_.store.setup().Menu3);
}

int LightAndTemperature::hourBox(const Control& box) const {
    return static_cast<int>(roundHalfEven(leadingNumber(commaAsPoint(box.text))));
}

double LightAndTemperature::setPoint() {
    if (!setPoint_) {
        takeSetPoint();
    }
    return *setPoint_;
}

void LightAndTemperature::takeSetPoint() {
    setPoint_ = leadingNumber(commaAsPoint(c_.txttemp.text));
}

void LightAndTemperature::startLightSchedule() {
    const AppState& st = care_.state;
    if (leadingNumber(commaAsPoint(c_.txt_pulsetimes.text)) != 0 || !st.lightEnabled) {
        return;
    }
    care_.state.lightOn =
        scheduledLightOn(hourBox(c_.txt_lon), hourBox(c_.txt_loff), care_.clock.now().hour);
    sendControlWord();
}

void LightAndTemperature::regulateTemperature(double t) {
    AppState& st = care_.state;
    temperature_ = t;
    temperatureText_ = formatNumber(t, "0.0");
    const ThermalFlags f =
        regulation(t, setPoint(), st.tempControlEnabled, {st.heating, st.tempControlOn});
    st.heating = f.heating;
    st.tempControlOn = f.controlOn;
    if (st.lightEnabled) {
        const int hour = care_.clock.now().hour;
        if (hour == hourBox(c_.txt_lon)) {
            st.lightOn = true;
        }
        if (hour == hourBox(c_.txt_loff)) {
            st.lightOn = false;
        }
    }
    sendControlWord();
}

void LightAndTemperature::advanceLightCycle(double t) {
    AppState& st = care_.state;
    const Mn& m = care_.store.setup().Mn2;
    const int n = m[mn2::Pulse_Cycles];
    if (n >= 1 && st.lightEnabled) {
        const std::optional<bool> light =
            pulseLight(t, n, m[mn2::Pulse_ONx10] / 10.0, m[mn2::Pulse_OFFx10] / 10.0);
        if (light) {
            st.lightOn = *light;
        }
        sendControlWord();
    }
    if (pending_) {
        pending_ = false;
        sendControlWord();
    }
}

// Heating keeps its value: the next run starts from the same direction.
void LightAndTemperature::lightAndTemperatureOff() {
    care_.state.tempControlOn = false;
    care_.state.lightOn = false;
    pending_ = false;
    sendControlWord();
}

}  // namespace qv

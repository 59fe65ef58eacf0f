#pragma once

#include <optional>
#include <string>

#include "acquisition/care_context.h"

namespace qv {

// The value byte of register 16: bit 0 temperature control on, bit 1 heating, bit 2 light on.
int controlWord(bool lightOn, bool heating, bool controlOn);

// The light by the hour of the day: on from hour `on` until hour `off`, over midnight when
// off < on, never when the two are equal.
bool scheduledLightOn(int on, int off, int hour);

struct ThermalFlags {
    bool heating = false;
    bool controlOn = false;
};
// The regulation's decision at temperature t for set point s: outside 10..38 degrees, or with
// control not enabled, everything off; a dead band of half a degree round the set point, and
// the unit switched on only a tenth of a degree beyond it.
ThermalFlags regulation(double t, double s, bool enabled, ThermalFlags now);

// The light of the pulse cycles at minute t: n cycles of `on` minutes lit then `off` dark.
// nullopt once the cycles are over (the light then stays as it is).
std::optional<bool> pulseLight(double t, int n, double on, double off);

// The controls of the main window the light and temperature control works on.
struct LightTemperatureControls {
    Control& Frame_light;
    Control& Chk_lenabled;
    Control& txt_lon;
    Control& txt_loff;
    Control& cmd_cyclepulse;
    Control& frm_pulse;
    Control& txt_pulsetimes;
    Control& txt_pulseon;
    Control& txt_pulseoff;
    Control& cmd_luz;
    Control& shape_light;
    Control& Frame_temp;
    Control& Chk_tenabled;
    Control& txttemp;
    Control& Cmd_settemp;
    Control& cmd_frio;
    Control& cmd_ontemp;
    Control& lght_ctl;
    Control& temp_ctl;

    static LightTemperatureControls of(Controls& controls);
};

// Light and temperature: the control word and its buttons, the boxes of the light schedule,
// the pulse cycles and the set point, and what a run asks at its start, at every temperature
// reading, at every tick and at its end.
class LightAndTemperature {
  public:
    LightAndTemperature(CareContext& care, LightTemperatureControls controls);

    // The word from the three flags to the instrument, and the captions and colours after it.
    void sendControlWord();

    void cmd_luz_Click();
    void cmd_frio_Click();
    void cmd_ontemp_Click();
    void Cmd_settemp_Click();
    void cmd_cyclepulse_Click();
    void Chk_lenabled_Click();
    void Chk_tenabled_Click();
    void lght_ctl_Click();
    void temp_ctl_Click();
    void txt_lon_LostFocus();
    void txt_loff_LostFocus();
    void txt_pulsetimes_LostFocus();
    void txt_pulseon_LostFocus();
    void txt_pulseoff_LostFocus();
    void txttemp_LostFocus();

    // Play: the set point is the value of the set-point box.
    void takeSetPoint();
    // Play, with no pulse cycles and light enabled: the light by the hour, then the word.
    void startLightSchedule();
    // At every temperature reading of a run.
    void regulateTemperature(double temperature);
    // At every tick of a run: the pulse cycles, and a word a button left pending.
    void advanceLightCycle(double elapsedMinutes);
    // Stop and the end of the lapse.
    void lightAndTemperatureOff();

    // The set point in force; taken from the box when no run or Set button gave one yet.
    double setPoint();
    double temperature() const { return temperature_; }
    const std::string& temperatureText() const { return temperatureText_; }
    bool controlWordPending() const { return pending_; }
    int lastWordSent() const { return lastWord_; }

  private:
    // A button's change: during a run the next tick sends it, otherwise it goes now.
    void sendOrLeavePending();
    void showWord();
    int hourBox(const Control& box) const;
    void togglePanel(Control& panel, std::int16_t& flag);

    CareContext& care_;
    LightTemperatureControls c_;
    std::optional<double> setPoint_;
    double temperature_ = 0;
    std::string temperatureText_;
    bool pending_ = false;
    int lastWord_ = -1;
};

}  // namespace qv

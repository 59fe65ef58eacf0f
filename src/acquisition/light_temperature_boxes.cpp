// The boxes of the light and temperature panels, validated when they lose the focus: a valid
// value is stored in the project's tool settings and shown in its format; anything else shows
// the box's message once and puts the box's fallback back.
#include <optional>

#include "acquisition/light_and_temperature.h"
#include "common/number_format.h"
#include "common/rounding.h"

namespace qv {

namespace {

// Empty text and text that is no number count as invalid, like a value outside lo..hi.
std::optional<double> inRange(const Control& box, double lo, double hi) {
    const std::optional<double> v = typedNumber(box.text);
    if (!v || *v < lo || *v > hi) {
        return std::nullopt;
    }
    return v;
}

std::int16_t tenths(double v) {
    return static_cast<std::int16_t>(roundHalfEven(v * 10));
}

void validateHour(Control& box, std::int16_t& stored, std::int16_t fallback, Ui& ui) {
    if (const std::optional<double> v = inRange(box, 0, 23)) {
        stored = static_cast<std::int16_t>(roundHalfEven(*v));
        box.text = formatNumber(stored, "00");
        return;
    }
    ui.message("Invalid value: 0 to 23");
    stored = fallback;
    box.text = std::to_string(fallback);
}

void pulseTimeBox(Control& box, std::int16_t& stored, Ui& ui) {
    if (const std::optional<double> v = inRange(box, 0, 1440)) {
        stored = tenths(*v);
        box.text = formatNumber(*v, "0.0");
        return;
    }
    ui.message("Invalid value: 0.0 to 1440.0");
    box.text = "0";
}

}  // namespace

void LightAndTemperature::txt_lon_LostFocus() {
    validateHour(c_.txt_lon, care_.store.setup().Mn2[mn2::Time_ON], 9, care_.ui);
}

void LightAndTemperature::txt_loff_LostFocus() {
    validateHour(c_.txt_loff, care_.store.setup().Mn2[mn2::Time_OFF], 21, care_.ui);
}

// Pulse cycles replace the light hours: the hour boxes are usable only without cycles. A value
// refused leaves no cycles, so that what runs is what the box shows.
void LightAndTemperature::txt_pulsetimes_LostFocus() {
    std::int16_t& cycles = care_.store.setup().Mn2[mn2::Pulse_Cycles];
    if (const std::optional<double> v = inRange(c_.txt_pulsetimes, 0, 99)) {
        cycles = static_cast<std::int16_t>(roundHalfEven(*v));
        c_.txt_pulsetimes.text = formatNumber(cycles, "0");
    } else {
        care_.ui.message("Invalid value: 0-99");
        cycles = 0;
        c_.txt_pulsetimes.text = "0";
    }
    c_.txt_lon.enabled = cycles == 0;
    c_.txt_loff.enabled = cycles == 0;
}

void LightAndTemperature::txt_pulseon_LostFocus() {
    pulseTimeBox(c_.txt_pulseon, care_.store.setup().Mn2[mn2::Pulse_ONx10], care_.ui);
}

void LightAndTemperature::txt_pulseoff_LostFocus() {
    pulseTimeBox(c_.txt_pulseoff, care_.store.setup().Mn2[mn2::Pulse_OFFx10], care_.ui);
}

void LightAndTemperature::txttemp_LostFocus() {
    std::int16_t& tempx10 = care_.store.setup().Mn3[mn3::Tempx10];
    if (const std::optional<double> v = inRange(c_.txttemp, 5, 50)) {
        tempx10 = tenths(*v);
        c_.txttemp.text = formatNumber(*v, "0.0");
        return;
    }
    care_.ui.message("Invalid value: 5.0 to 50.0");
    c_.txttemp.text = "20";
    tempx10 = 200;
}

}  // namespace qv

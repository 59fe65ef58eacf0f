#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "acquisition/app_state.h"
#include "common/clock.h"
#include "common/controls.h"
#include "common/ui.h"
#include "device/com_module.h"
#include "store/store.h"

namespace qv {

// What the calibration, the light and temperature control and the self-test work with: the
// store (calibration tables, thresholds, tool settings, plate), the application state, the
// Ui, the clock and the instrument's register protocol.
struct CareContext {
    Store& store;
    AppState& state;
    Ui& ui;
    Clock& clock;
    device::ComModule& com;
};

// The named control of a window's set, added when the set has none: the main window brings its
// own, the command line builds a bare set.
Control& controlOf(Controls& controls, std::string_view name, ControlKind kind,
                   std::string text = {});

// Shown when a calibration cannot reach the instrument.
inline constexpr const char* kCommunicationError =
    "Communication error. Check COM PORT and equipment connection.";
inline constexpr const char* kOfflineRefusal = "Operation not possible in OFFLINE mode";
// Shown when a maintenance window would touch the instrument while a run owns the line or no
// instrument is connected.
inline constexpr const char* kStopExperimentRefusal =
    "Only possible to access in: ONLINE mode and STOP experiment";

// A number typed in a box, with "," taken as the decimal point; nullopt for an empty box or
// text that is no number.
std::optional<double> typedNumber(const std::string& text);
// The text with every "," made a ".".
std::string commaAsPoint(std::string text);
// A number at the start of a text, as a direct conversion reads it: "2.5x" gives 2.5, "1,8"
// gives 1, text without a leading number gives 0.
double leadingNumber(const std::string& text);

}  // namespace qv

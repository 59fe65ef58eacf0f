#pragma once

#include <cstdint>
#include <string_view>

#include "device/com_module.h"

namespace qv {

// The application state the main window owns for the whole run of the program and every
// acquisition window reads. Booleans of the stored files are 16-bit there; here they are bool.
struct AppState {
    // Offline and connected flags, current port, device serial number and the factory
    // temperature calibration: what the device link works on.
    device::LinkState link;
    std::int16_t runState = 0;  // 0 stopped, 1 running, 2 paused
    bool autorun = false;

    bool lightEnabled = true;
    bool lightOn = false;
    bool tempControlEnabled = false;
    bool tempControlOn = false;
    bool heating = false;

    bool autoCalibration = true;
    bool autoZero = true;
    bool calibrationManual = false;
    double snrThreshold = 1.8;
    std::int16_t bodyBends = 0;

    std::int16_t startupStep = 0;
    bool stepDone = false;
    std::int16_t loadProgress = 0;

    // Set when the user or a fatal start-up fault ends the program; the event loop stops.
    bool ended = false;
};

// The automatic-run switch: the whole command line, trimmed of blanks, is "/run", "/RUN" or
// "/Run".
bool isAutorunSwitch(std::string_view commandLine);

}  // namespace qv

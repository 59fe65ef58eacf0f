#pragma once

#include <cstdint>
#include <string_view>

namespace qv {

// The application state the main window owns for the whole run of the program and every
// acquisition window reads. Booleans of the stored files are 16-bit there; here they are bool.
struct AppState {
    bool offline = false;
    bool connected = false;
    std::int16_t runState = 0;  // 0 stopped, 1 running, 2 paused
    bool autorun = false;
    std::int16_t currentPort = 0;  // Serial_COM of the configuration
    std::int16_t deviceSerial = 0;
    double tempSlope = 0.219;
    double tempOffset = 0;
    // Factory temperature calibration as last read from the instrument.
    bool factoryCalibration = false;
    std::int16_t calibrationMonth = 0;
    std::int16_t calibrationYear = 0;

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

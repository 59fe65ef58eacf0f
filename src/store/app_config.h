#pragma once

#include <cstdint>
#include <filesystem>

#include "common/ui.h"

namespace qv {

// config.dat of the application folder: the current project, the last project number handed
// out and the serial port of the instrument.
struct AppConfig {
    std::int16_t Actual_Project_Number = 1;
    std::int16_t Last_Project = 1;
    std::int16_t Serial_COM = 4;
    // Kept in the file only; always 0 in memory, so the file always receives 0.
    std::int16_t Restart_Time = 0;
};

// The number the next new project takes after `Last_Project`: project numbers run 1..32000
// and then start again at 1. The caller stores it back into `Last_Project` at once.
std::int16_t nextProjectNumber(std::int16_t lastProject);

std::filesystem::path configFilePath(const std::filesystem::path& applicationFolder);

// Never fails towards the caller: an unreadable file gives the default set and its message.
// False when that happened, so a caller that shows the configuration can say so.
bool loadConfiguration(const std::filesystem::path& applicationFolder, AppConfig& config, Ui& ui);

// False (after showing "<Error Saving Config File>") when the file could not be written; the
// file on disk is then the previous one, never a half-written one.
bool saveConfiguration(const std::filesystem::path& applicationFolder, const AppConfig& config,
                       Ui& ui);

}  // namespace qv

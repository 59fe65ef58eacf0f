#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "common/ui.h"
#include "store/app_config.h"
#include "store/calibration_values.h"
#include "store/plate_format.h"
#include "store/project_load.h"
#include "store/project_setup.h"
#include "store/report_config.h"

namespace qv {

// Shown by the caller, which then ends the application, when startUp finds no config.dat.
inline constexpr const char* kConfigNotFoundMessage =
    "Config file not found: Check correct software installation";

// The application folder: QUORVEL_HOME when set and not empty, otherwise the folder of the
// running executable (argv0 when the executable cannot be found otherwise).
std::filesystem::path applicationFolder(const char* argv0);
// The same rule with the environment value given (nullptr when unset).
std::filesystem::path applicationFolder(const char* argv0, const char* home);

// The project store: one instance, made by the program's main and passed by reference. It
// owns the application folder, the current project path and the application-wide records.
class Store {
  public:
    Store(std::filesystem::path applicationFolder, Ui& ui);

    const std::filesystem::path& applicationFolder() const { return applicationFolder_; }
    // The current project folder every project file reader and writer uses.
    const std::filesystem::path& projectPath() const { return projectPath_; }
    // Run control points it at a new acquisition folder for the settings snapshot.
    void setProjectPath(std::filesystem::path path) { projectPath_ = std::move(path); }
    // "p" + number formatted "00000" under the application folder; the application folder
    // itself for project 0.
    std::filesystem::path projectFolder(int number) const;

    AppConfig& config() { return config_; }
    const AppConfig& config() const { return config_; }
    ProjectSetup& setup() { return setup_; }
    const ProjectSetup& setup() const { return setup_; }
    PlateFormat& plate() { return plate_; }
    const PlateFormat& plate() const { return plate_; }
    ReportConfig& report() { return report_; }
    const ReportConfig& report() const { return report_; }
    // The PinHole and Gain tables of calvalue.dat.
    CalibrationValues& calibration() { return calibration_; }
    const CalibrationValues& calibration() const { return calibration_; }
    Ui& ui() { return ui_; }

    enum class StartUp { Ready, ConfigMissing };
    // config.dat, the project path, the project settings and the plate format. ConfigMissing
    // when config.dat does not exist: nothing is loaded, the caller shows
    // kConfigNotFoundMessage and ends.
    StartUp startUp();

    bool configExists() const;
    // False when config.dat could not be read and the default configuration was taken.
    bool loadConfiguration();
    bool saveConfiguration();
    // The project folder of Actual_Project_Number when it exists, otherwise the application
    // folder with Actual_Project_Number set to 0.
    void chooseProjectPath();

    // setup.dat with its recovery, the channel files and the plate format, from the project
    // path, for project number N. With repairFiles false nothing in the folder is written: a
    // recovery reads the backup where it lies (for views that only show what would load).
    ProjectLoadResult loadProjectSettings(std::int16_t N, bool repairFiles = true);
    // Into the project path, with Num_proj = Actual_Project_Number and Working_folder the
    // project folder of that number. False when a file could not be written.
    [[nodiscard]] bool saveProjectSettings();
    // The plate format named by Plate_format (which may become "w96f"); false when a built-in
    // format was taken instead of the file.
    bool loadPlateFormat();
    // Whether the last loadProjectSettings took a built-in plate format.
    bool plateDefaulted() const { return plateDefaulted_; }

    // The ID warning of the last load for the start screen's news line; empty when none.
    const std::string& newsLine() const { return newsLine_; }

  private:
    std::filesystem::path applicationFolder_;
    std::filesystem::path projectPath_;
    Ui& ui_;
    AppConfig config_;
    ProjectSetup setup_;
    PlateFormat plate_;
    ReportConfig report_;
    CalibrationValues calibration_;
    std::string newsLine_;
    bool plateDefaulted_ = false;
};

}  // namespace qv

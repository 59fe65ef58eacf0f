#include "store/app_config.h"

#include "common/field_text.h"
#include "common/file_util.h"

namespace qv {

namespace {

constexpr const char* kConfigHeader =
    "Config: <Actual_Project_Number>, <Last_Project>,<Serial_COM>,<Restart_Time>";

bool readConfigFile(const std::filesystem::path& file, AppConfig& config) {
    auto reader = FieldReader::open(file);
    if (!reader) {
        return false;
    }
    return reader->skipField() && reader->int16(config.Actual_Project_Number) &&
           reader->int16(config.Last_Project) && reader->int16(config.Serial_COM) &&
           reader->int16(config.Restart_Time);
}

void clampConfiguration(AppConfig& config) {
    if (config.Actual_Project_Number < 0) {
        config.Actual_Project_Number = 0;
    }
    if (config.Last_Project < config.Actual_Project_Number) {
        config.Last_Project = config.Actual_Project_Number;
    }
    if (config.Serial_COM < 1) {
        config.Serial_COM = 1;
    }
    if (config.Serial_COM > 16) {
        config.Serial_COM = 16;
    }
}

}  // namespace

std::filesystem::path configFilePath(const std::filesystem::path& applicationFolder) {
    return applicationFolder / "config.dat";
}

bool loadConfiguration(const std::filesystem::path& applicationFolder, AppConfig& config, Ui& ui) {
    const bool read = readConfigFile(configFilePath(applicationFolder), config);
    if (read) {
        clampConfiguration(config);
    } else {
        ui.message("Error opening config File >>>> Loading DEFAULT configuration...");
        config.Actual_Project_Number = 1;
        config.Last_Project = 1;
        config.Serial_COM = 4;
    }
    config.Restart_Time = 0;
    return read;
}

bool saveConfiguration(const std::filesystem::path& applicationFolder, const AppConfig& config,
                       Ui& ui) {
    FieldWriter w;
    w.text(kConfigHeader).endRecord();
    w.number(std::int64_t{config.Actual_Project_Number})
        .number(std::int64_t{config.Last_Project})
        .number(std::int64_t{config.Serial_COM})
        .number(std::int64_t{config.Restart_Time})
        .endRecord();
    if (!writeFileAtomic(configFilePath(applicationFolder), w.str())) {
        ui.message("<Error Saving Config File>");
        return false;
    }
    return true;
}

std::int16_t nextProjectNumber(std::int16_t lastProject) {
    constexpr std::int16_t kHighestProject = 32000;
    const std::int16_t last = lastProject >= kHighestProject ? 0 : lastProject;
    return static_cast<std::int16_t>(last < 0 ? 1 : last + 1);
}

}  // namespace qv

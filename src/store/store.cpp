#include "store/store.h"

#include <cstdlib>
#include <system_error>

#include "common/file_util.h"
#include "common/number_format.h"

namespace qv {

namespace fs = std::filesystem;

fs::path applicationFolder(const char* argv0) {
    return applicationFolder(argv0, std::getenv("QUORVEL_HOME"));
}

fs::path applicationFolder(const char* argv0, const char* home) {
    if (home != nullptr && *home != '\0') {
        return fs::path(home);
    }
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && !self.empty()) {
        return self.parent_path();
    }
    const fs::path given = argv0 != nullptr ? fs::path(argv0) : fs::path();
    const fs::path absolute = fs::absolute(given, ec);
    return ec ? fs::current_path(ec) : absolute.parent_path();
}

Store::Store(fs::path applicationFolder, Ui& ui)
    : applicationFolder_(std::move(applicationFolder)), projectPath_(applicationFolder_), ui_(ui) {}

fs::path Store::projectFolder(int number) const {
    return number == 0 ? applicationFolder_ : applicationFolder_ / ("p" + formatPadded(number, 5));
}

bool Store::configExists() const {
    return isRegularFile(configFilePath(applicationFolder_));
}

Store::StartUp Store::startUp() {
    if (!configExists()) {
        return StartUp::ConfigMissing;
    }
    loadConfiguration();
    chooseProjectPath();
    loadProjectSettings(config_.Actual_Project_Number);
    return StartUp::Ready;
}

bool Store::loadConfiguration() {
    return qv::loadConfiguration(applicationFolder_, config_, ui_);
}

bool Store::saveConfiguration() {
    return qv::saveConfiguration(applicationFolder_, config_, ui_);
}

void Store::chooseProjectPath() {
    const fs::path folder = projectFolder(config_.Actual_Project_Number);
    if (config_.Actual_Project_Number > 0 && isDirectory(folder)) {
        projectPath_ = folder;
    } else {
        projectPath_ = applicationFolder_;
        config_.Actual_Project_Number = 0;
    }
}

ProjectLoadResult Store::loadProjectSettings(std::int16_t N, bool repairFiles) {
    const ProjectLoadRequest request{projectPath_, N, config_.Actual_Project_Number, repairFiles};
    ProjectLoadResult result = qv::loadProjectSettings(request, setup_, ui_);
    newsLine_ = result.newsLine;
    plateDefaulted_ = !loadPlateFormat();
    return result;
}

bool Store::saveProjectSettings() {
    const std::string folder = workingFolderText(projectFolder(config_.Actual_Project_Number));
    setup_.Working_folder = folder;
    setup_.Num_proj = std::to_string(config_.Actual_Project_Number);
    return qv::saveProjectSettings(projectPath_, setup_, config_.Actual_Project_Number, folder);
}

bool Store::loadPlateFormat() {
    return qv::loadPlateFormat(applicationFolder_, setup_.Plate_format, plate_, ui_);
}

}  // namespace qv

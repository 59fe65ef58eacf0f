#include "acquisition/acquisition_folder.h"

#include <system_error>

#include "common/rounding.h"
#include "store/acquisition_description.h"

namespace qv {

namespace fs = std::filesystem;

DiskSpaceCheck checkDiskSpace(std::int16_t lapseMinutes, std::int64_t freeMb) {
    DiskSpaceCheck c;
    c.freeMb = freeMb;
    c.requiredMb = roundHalfEven(lapseMinutes * 4 / 10.0);
    c.report = "Programmed Acquisition lapse = " + std::to_string(lapseMinutes) +
               "minutes & RealTime_recording=YES\r\nRequired Disk space for RealTime Saving = " +
               std::to_string(c.requiredMb) + "MB\r\nCurrent Disk Space=" + std::to_string(freeMb) +
               "MB\r\n";
    bool warning = false;
    if (freeMb - c.requiredMb <= 999) {
        c.report += "LOW DISK SPACE\r\n";
        warning = true;
    }
    if (freeMb - c.requiredMb < 200) {
        c.report +=
            "NOT ENOUGH DISK SPACE\r\n (Please, Increase Disk Space Availablility or Deselect "
            "Realtime recording)";
        warning = true;
    }
    c.ask = c.requiredMb >= 1001 || warning;
    return c;
}

fs::path newAcquisitionFolder(const fs::path& projectFolder, const DateTime& start) {
    std::int64_t minute = toEpochMs(start) / 60'000;
    std::error_code ec;
    for (;; ++minute) {
        const fs::path candidate = projectFolder / formatFolderStamp(fromEpochMs(minute * 60'000));
        if (!fs::exists(candidate, ec) && !ec) {
            return candidate;
        }
        if (ec) {
            // The folder cannot even be looked at: let the creation say why.
            return candidate;
        }
    }
}

std::string writeAcquisitionStart(Store& store, const fs::path& folder,
                                  const std::optional<std::string>& name,
                                  const std::string& comments) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder, ec)) {
        return "Cannot create the acquisition folder " + folder.string() + ": " + ec.message();
    }
    const fs::path project = store.projectPath();
    store.setProjectPath(folder);
    const bool snapshot = store.saveProjectSettings();
    store.setProjectPath(project);
    if (!snapshot) {
        return "Cannot write the project settings into " + folder.string();
    }
    if (name && !writeAcquisitionDescription(folder, *name, comments)) {
        return "Cannot write subproj.dat into " + folder.string();
    }
    return {};
}

}  // namespace qv

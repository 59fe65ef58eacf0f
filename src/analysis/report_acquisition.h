#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "analysis/report_map.h"
#include "common/ui.h"
#include "store/plate_format.h"

namespace qv {

// What a report reads of the acquisition it describes: its own settings snapshot, never the
// current project's, so a report of an old run shows the grouping that run was made with.
struct AcquisitionSettings {
    std::filesystem::path folder;
    std::string name;  // first field of subproj.dat, empty without one
    std::string projectName;
    std::string plateFormat;
    int dspMethod = 1;
    int organism = 0;
    int snrx10 = 0;
    int rtBuffer = 500;  // samples per block: the raw sample records are sized by it
    ReportGroups groups;
    ReportMap map;
};

// "Mode1 C.elegans[snr=1.8]": method, organism name, threshold (below 5 tenths counts as 1.8).
std::string settingLine(int dspMethod, int organism, int snrx10);

// The grouping a project starts with: Group0..Group11 then Free; columns paired into groups.
ReportGroups defaultReportGroups();
// The grouping of project settings in memory.
ReportGroups reportGroupsOf(const ProjectSetup& setup);

// Reads setup.dat, groups.dat, chgroup.dat and subproj.dat of the acquisition folder and the
// plate format it names from the application folder (".dat", else ".bak"). Shows the system's
// message and gives nullopt when the report cannot be made; a missing group file falls back to
// the default grouping with a message.
std::optional<AcquisitionSettings> readAcquisitionSettings(const std::filesystem::path& folder,
                                                           const std::filesystem::path& appFolder,
                                                           Ui& ui);

// The plate format file as a report map; nullopt when the file cannot be read.
std::optional<ReportMap> readReportMap(const std::filesystem::path& formatFile);

// The store's plate format as a report map (for the windows that hold the current project's).
ReportMap reportMapOf(const PlateFormat& plate);

}  // namespace qv

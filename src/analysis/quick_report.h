#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "analysis/report_map.h"
#include "common/clock.h"
#include "common/ui.h"
#include "store/plate_format.h"
#include "store/project_setup.h"

namespace qv {

// What the main window knows at the end of a run: the project, its grouping, which channels
// are enabled, the plate map and each channel's total counts since the run started.
struct QuickReportInput {
    int projectNumber = 0;
    std::string projectName;
    ReportGroups groups;
    std::array<bool, kChannels + 1> enabled{};
    ReportMap map;
    std::array<std::int64_t, kChannels> totals{};
};

// The input from the project settings and plate format in memory.
QuickReportInput quickReportInputOf(int projectNumber, const ProjectSetup& setup,
                                    const PlateFormat& plate,
                                    const std::array<std::int64_t, kChannels>& totals);

// The text of report.txt (CR LF line ends).
std::string quickReportText(const QuickReportInput& input, const DateTime& now);

// Writes project path + "report.txt" and opens it after a short pause; does nothing while a run
// is going. False (after "Report Error") when it cannot be written.
bool writeQuickReport(const std::filesystem::path& projectPath, const QuickReportInput& input,
                      bool acquisitionRunning, Ui& ui, Clock& clock);

// "Show my report": the acquisition folder the report window opens on, or nullopt (with
// "Activity file not Found" when the run left no counts.bin; silently when no run was started).
std::optional<std::filesystem::path> showMyReportFolder(const std::filesystem::path& projectPath,
                                                        const std::string& acquisitionName, Ui& ui);

}  // namespace qv

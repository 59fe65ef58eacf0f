#include "offline/series/joint_report.h"

#include "common/rounding.h"
#include "offline/series/new_file.h"
#include "store/report_config.h"

namespace qv {

std::string jointReportSeparator(const std::string& reportSeparator) {
    return reportSeparator.empty() ? ";" : reportSeparator;
}

std::string jointReportSeparatorOf(const std::filesystem::path& appFolder, Ui& ui) {
    std::error_code ec;
    if (!std::filesystem::exists(appFolder / "repoconf.dat", ec)) {
        return jointReportSeparator(reportListSeparator());
    }
    ReportConfig config;
    loadReportConfig(appFolder, 1, config, reportListSeparator(), ui);
    return jointReportSeparator(config.spacer);
}

std::string jointReportText(const KineticSeries& series, const DateTime& now,
                            const std::string& separator) {
    const std::string end = "\r\n";
    std::string text = "Joint Report [" + formatIsoStamp(now) + "]" + end;
    text += "Acq:";
    for (const std::string& name : series.acquisitions) {
        text += separator + name;
    }
    text += end + "Group/Time[" + series.unit + "]";
    for (const std::string& label : series.timeLabels) {
        text += separator + label;
    }
    text += end;
    for (std::size_t line = 0; line < series.groupSlots.size(); ++line) {
        text += seriesGroupLabel(series.groupSlots[line]);
        for (const double v : series.values[line]) {
            text += separator + std::to_string(roundHalfEven(v));
        }
        text += end;
    }
    return text;
}

std::optional<std::filesystem::path> writeJointReport(const std::filesystem::path& projectFolder,
                                                      const KineticSeries& series,
                                                      const std::string& separator, Clock& clock,
                                                      Ui& ui) {
    const DateTime now = clock.now();
    const auto path = writeNewFile(projectFolder, "joint_report" + formatCompactStamp(now), ".csv",
                                   jointReportText(series, now, separator));
    if (!path) {
        ui.message("The joint report could not be written into " + projectFolder.string());
        return std::nullopt;
    }
    ui.openExternal(path->string(), ExternalKind::Document);
    return path;
}

}  // namespace qv

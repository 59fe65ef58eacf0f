#include "analysis/quick_report.h"

#include "analysis/report_acquisition.h"
#include "common/file_util.h"
#include "common/number_format.h"
#include "common/rounding.h"

namespace qv {

namespace {

std::string quickGroupLabel(const ReportGroups& groups, int group) {
    return group < 0 ? "\"999_Free \"" : groups.label(group);
}

void groupLines(std::string& out, const QuickReportInput& in) {
    for (int g = 0; g < kChannels; ++g) {
        double sum = 0;
        int n = 0;
        for (int c = 0; c < kChannels; ++c) {
            if (in.groups.channelGroup[c] == g && in.enabled[c] && in.map.wellOfChannel[c] >= 0) {
                sum += static_cast<double>(in.totals[c]);
                ++n;
            }
        }
        if (n > 0) {
            out += in.groups.label(g) + " " + std::to_string(roundHalfEven(sum / n)) + "\r\n";
        }
    }
}

std::int64_t wellValue(const QuickReportInput& in, int well) {
    const auto& cells = in.map.channelOfWell[well];
    if (in.map.largestBeam == 0) {
        return in.totals[cells[0]];
    }
    double sum = 0;
    int n = 0;
    for (int c : cells) {
        if (c >= 0) {
            sum += static_cast<double>(in.totals[c]);
            ++n;
        }
    }
    return roundHalfEven(sum / n);
}

void wellLines(std::string& out, const QuickReportInput& in) {
    for (int w = 0; w <= in.map.largestWell; ++w) {
        if (!in.map.wellHasChannels(w)) {
            continue;
        }
        const int beam0 = in.map.beamZeroChannel(w);
        const int group = beam0 >= 0 ? in.groups.channelGroup[beam0] : -1;
        out += wellLabel(w, in.map.rows) + " " + quickGroupLabel(in.groups, group) + " " +
               std::to_string(wellValue(in, w)) + "\r\n";
    }
}

void channelLines(std::string& out, const QuickReportInput& in) {
    for (int c = 0; c < kChannels; ++c) {
        const int well = in.map.wellOfChannel[c];
        const std::string where =
            well < 0 ? "-"
                     : wellLabel(well, in.map.rows) + "." + std::to_string(in.map.beamOfChannel[c]);
        out += std::to_string(c) + " " + where + " " +
               quickGroupLabel(in.groups, in.groups.channelGroup[c]) + " " +
               std::to_string(in.totals[c]) + "\r\n";
    }
}

}  // namespace

QuickReportInput quickReportInputOf(int projectNumber, const ProjectSetup& setup,
                                    const PlateFormat& plate,
                                    const std::array<std::int64_t, kChannels>& totals) {
    QuickReportInput in;
    in.projectNumber = projectNumber;
    in.projectName = setup.Name;
    in.groups = reportGroupsOf(setup);
    in.enabled = setup.channelEnabled;
    in.map = reportMapOf(plate);
    in.totals = totals;
    return in;
}

std::string quickReportText(const QuickReportInput& input, const DateTime& now) {
    std::string out = formatDisplayStamp(now) + ":" + formatPadded(now.second, 2) + "\r\n";
    out += std::to_string(input.projectNumber) + "_" + input.projectName + "\r\n";
    out += "\r\nGroup Activity:\r\n~~~~~~~~~~~~~\r\nGroup Value\r\n";
    groupLines(out, input);
    out += "\r\nWell Activity:\r\n~~~~~~~~~~~~~\r\nWell Group Value\r\n";
    wellLines(out, input);
    out += "\r\nRaw Activity:\r\n~~~~~~~~~~~~~\r\nChannel Well Group Value\r\n";
    channelLines(out, input);
    out += "\r\n\r\n";
    return out;
}

bool writeQuickReport(const std::filesystem::path& projectPath, const QuickReportInput& input,
                      bool acquisitionRunning, Ui& ui, Clock& clock) {
    if (acquisitionRunning) {
        return false;
    }
    const auto path = projectPath / "report.txt";
    if (!writeFileAtomic(path, quickReportText(input, clock.now()))) {
        ui.message("Report Error");
        return false;
    }
    clock.sleepMs(500);
    ui.openExternal(path.string(), ExternalKind::TextViewer);
    return true;
}

std::optional<std::filesystem::path> showMyReportFolder(const std::filesystem::path& projectPath,
                                                        const std::string& acquisitionName,
                                                        Ui& ui) {
    if (acquisitionName.empty()) {
        return std::nullopt;
    }
    const auto folder = projectPath / acquisitionName;
    if (!isRegularFile(folder / "counts.bin")) {
        ui.message("Activity file not Found");
        return std::nullopt;
    }
    return folder;
}

}  // namespace qv

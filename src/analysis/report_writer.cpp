#include "analysis/report_writer.h"

#include <fstream>

#include "analysis/report_sections.h"
#include "common/file_util.h"

namespace qv {

std::string buildReportText(const ReportData& data, const ReportOptions& options,
                            const DateTime& now) {
    report_detail::ReportText text(data, options);
    text.header(now);
    text.mainBlock();
    text.statisticBlocks();
    text.samplesSection();
    text.temperatureSection();
    text.wellSection();
    text.channelSection();
    text.channelArrays();
    return text.str();
}

namespace {

bool writeWhole(const std::filesystem::path& path, const std::string& text) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        return false;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        return false;
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    return static_cast<bool>(out);
}

}  // namespace

std::optional<std::filesystem::path> writeReportFile(const std::filesystem::path& folder,
                                                     const std::string& extension,
                                                     const std::string& text) {
    // A report held open elsewhere cannot be replaced; the next free name takes the report.
    for (int k = 0; k < 1000; ++k) {
        const std::string stem = k == 0 ? "report" : "report_" + std::to_string(k);
        const auto path = folder / (stem + extension);
        if (writeWhole(path, text)) {
            return path;
        }
    }
    return std::nullopt;
}

std::string acquisitionCopyName(const std::string& acquisitionName, const std::string& extension) {
    std::string name = acquisitionName;
    // A NUL ends the name where the system opens the file: "counts.bin" + NUL would write the
    // report over the counts.
    for (char& ch : name) {
        if (ch == ' ' || ch == '/' || ch == '\\' || ch == '\0') {
            ch = '_';
        }
    }
    return name + extension;
}

std::optional<std::filesystem::path> writeReport(const ReportData& data,
                                                 const ReportOptions& options, const DateTime& now,
                                                 Ui& ui) {
    const std::string extension = options.csv ? ".csv" : ".txt";
    const std::string text = buildReportText(data, options, now);
    const auto folder = data.acquisition.folder;
    const auto path = writeReportFile(folder, extension, text);
    if (!path) {
        ui.message("Report Error");
        return std::nullopt;
    }
    const std::string& name = data.acquisition.name;
    if (!name.empty() && name != "." && name != "..") {
        writeWhole(folder / acquisitionCopyName(name, extension), text);
    }
    if (!options.autoreport) {
        ui.openExternal(path->string(),
                        options.csv ? ExternalKind::Document : ExternalKind::TextViewer);
    }
    return path;
}

}  // namespace qv

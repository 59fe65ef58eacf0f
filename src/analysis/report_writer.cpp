#include "analysis/report_writer.h"

#include <fstream>

#include "analysis/report_sections.h"
#include "analysis/well_export.h"
#include "common/cp1252.h"
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
    // The name is Windows-1252 text from subproj.dat; file names here are UTF-8.
    std::string name = cp1252ToUtf8(acquisitionName);
    // A NUL ends the name where the system opens the file: "counts.bin" + NUL would write the
    // report over the counts.
    for (char& ch : name) {
        if (ch == ' ' || ch == '/' || ch == '\\' || ch == '\0') {
            ch = '_';
        }
    }
    return name + extension;
}

bool isOtherOutputName(const std::string& fileName) {
    const std::string stem = std::filesystem::path(fileName).stem().string();
    const bool report =
        stem == "report" || (stem.starts_with("report_") && stem.size() > 7 &&
                             stem.find_first_not_of("0123456789", 7) == std::string::npos);
    return report || isWellExportFileName(fileName);
}

namespace {

// The copy named after the acquisition, beside the report. A name another output uses is
// left to that output, and a copy that cannot be written is said so: an earlier copy under
// that name would otherwise pass for this report.
ReportCopy writeAcquisitionCopy(const std::filesystem::path& folder, const std::string& name,
                                const std::string& extension, const std::string& text, Ui& ui) {
    ReportCopy copy;
    if (name.empty() || name == "." || name == "..") {
        return copy;
    }
    const std::string file = acquisitionCopyName(name, extension);
    copy.path = folder / file;
    if (isOtherOutputName(file)) {
        copy.nameTaken = true;
        copy.problem = "Copy named after the acquisition not written: " + file +
                       " is the name of another output of the folder";
    } else if (!writeWhole(copy.path, text)) {
        std::error_code ec;
        copy.problem = "Cannot write the copy named after the acquisition: " + copy.path.string();
        if (std::filesystem::exists(copy.path, ec)) {
            copy.problem += " (the file there holds an earlier report)";
        }
    } else {
        copy.written = true;
        return copy;
    }
    ui.message(copy.problem);
    return copy;
}

}  // namespace

std::optional<std::filesystem::path> writeReport(const ReportData& data,
                                                 const ReportOptions& options, const DateTime& now,
                                                 Ui& ui, ReportCopy* copy) {
    const std::string extension = options.csv ? ".csv" : ".txt";
    const std::string text = buildReportText(data, options, now);
    const auto folder = data.acquisition.folder;
    const auto path = writeReportFile(folder, extension, text);
    if (!path) {
        ui.message("Report Error");
        return std::nullopt;
    }
    const ReportCopy written =
        writeAcquisitionCopy(folder, data.acquisition.name, extension, text, ui);
    if (copy != nullptr) {
        *copy = written;
    }
    if (!options.autoreport) {
        ui.openExternal(path->string(),
                        options.csv ? ExternalKind::Document : ExternalKind::TextViewer);
    }
    return path;
}

}  // namespace qv

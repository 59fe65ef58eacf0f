#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "analysis/report_writer.h"
#include "common/clock.h"
#include "common/ui.h"

namespace qv {

// One press of "Generate...": the acquisition, the application folder with the plate formats,
// the bin-size box, the report settings and the basal box (`cmbbasal`).
struct ReportRequest {
    std::filesystem::path folder;
    std::filesystem::path appFolder;
    std::int32_t bin = 30;
    ReportOptions options;
    std::string basalName;
    // The text of the report's SETTING line; empty builds it from the acquisition's setup.dat.
    std::string setting;
};

struct ReportOutcome {
    // The report written; nullopt when the action stopped (its message was shown).
    std::optional<std::filesystem::path> path;
    // What the bin-size box shows afterwards (corrected for short runs).
    std::int32_t bin = 0;
    // The copy named after the acquisition, when the report was written.
    ReportCopy copy;
};

// Reads, bins, optionally normalises to the basal run, computes and writes the report.
ReportOutcome generateReport(const ReportRequest& request, Ui& ui, Clock& clock);

// The generate action from binned records on: basal normalisation, statistics, the histogram
// sections of the body-bends layout and the file. The re-analysis writes its report from its
// own counts through here. nullopt when the action stopped (its message was shown); throws on
// an arithmetic failure, which the caller reports as "Report Error".
std::optional<std::filesystem::path> reportFromBinned(const ReportRequest& request,
                                                      AcquisitionSettings& settings,
                                                      BinnedRecords& binned, Ui& ui, Clock& clock,
                                                      ReportCopy* copy = nullptr);

}  // namespace qv

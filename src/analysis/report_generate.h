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

}  // namespace qv

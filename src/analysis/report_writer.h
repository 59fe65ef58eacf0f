#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "analysis/report_acquisition.h"
#include "analysis/report_binning.h"
#include "analysis/report_statistics.h"
#include "common/date_time.h"
#include "common/ui.h"

namespace qv {

// The layouts of `Option_output`, in their order.
enum class ReportLayout { Rows = 0, List = 1, WArray = 2, CHArray = 3, Histogram = 4 };

struct ReportOptions {
    ReportLayout layout = ReportLayout::Rows;
    bool csv = true;  // "Excel [.csv]"; false is "Text [.txt]"
    std::string separator = ",";
    bool stdError = true;
    bool stdDev = false;
    bool count = true;
    bool autoreport = false;
};

// Everything the writer prints, already computed.
struct ReportData {
    const AcquisitionSettings& acquisition;
    const BinnedRecords& binned;
    const ReportStatistics& stats;
    // Name of the basal acquisition when the counts are percentages of it.
    std::optional<std::string> basalName;
    // Histogram sections of the body-bends layout, written in place of activity counts.
    std::string histogramGroups;
    std::string histogramWells;
    // The SETTING line's text when it is not the acquisition's own (a re-analysis that kept
    // the stored counts names its method and threshold); empty for the acquisition's.
    std::string setting;
};

// The whole report text (CR LF line ends), built before anything is written so that a failure
// never leaves half a report behind.
std::string buildReportText(const ReportData& data, const ReportOptions& options,
                            const DateTime& now);

// "report" + ext, or report_1, report_2, ... for the first name that can be written; writes the
// text there. nullopt when no name can be written.
std::optional<std::filesystem::path> writeReportFile(const std::filesystem::path& folder,
                                                     const std::string& extension,
                                                     const std::string& text);

// The copy named after the acquisition, in UTF-8 like every file name: blanks (and path
// separators and NULs) become "_".
std::string acquisitionCopyName(const std::string& acquisitionName, const std::string& extension);

// Whether a file name belongs to another output of the acquisition folder (a report or
// report_k, a per-well export file): the copy named after the acquisition never takes it.
bool isOtherOutputName(const std::string& fileName);

// What became of the copy named after the acquisition.
struct ReportCopy {
    std::filesystem::path path;  // where it went, or would have gone; empty without a name
    bool written = false;
    bool nameTaken = false;  // not written because another output uses the name
    std::string problem;     // why it was not written (also shown through the Ui)
};

// Writes the report, its copy named after the acquisition and opens it unless automatic.
// nullopt (after "Report Error") when it cannot be written. A copy that cannot be written, or
// whose name another output uses, is not written and the Ui says so.
std::optional<std::filesystem::path> writeReport(const ReportData& data,
                                                 const ReportOptions& options, const DateTime& now,
                                                 Ui& ui, ReportCopy* copy = nullptr);

}  // namespace qv

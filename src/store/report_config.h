#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/ui.h"

namespace qv {

// The report settings a user can fix once for all reports, kept in repoconf.dat in the
// application folder. Only `spacer` is text; every other field is a 16-bit integer.
struct ReportConfig {
    std::int16_t User_defined = 0;
    std::int16_t Bin = 30;
    std::int16_t filetype = 0;  // 0 "Excel [.csv]", 1 "Text [.txt]"
    std::string spacer = ",";
    std::int16_t stdError = 1;
    std::int16_t stdDev = 0;
    std::int16_t n = 1;
    std::int16_t out_format = 0;  // 0 "Rows", 1 "List", 2 "WArray", 3 "CHArray"
    std::int16_t organism = 0;
    std::int16_t method = 1;
    std::int16_t threshold = 18;  // times ten
    std::int16_t rawexport = 0;
};

// The system's list separator for reports: the user's locale's, or "," when it gives none.
std::string reportListSeparator();

// Every field at its default, `spacer` the given list separator (or "," when it is empty).
// `User_defined` is left as it is: its default is whatever the caller asks for.
void setReportDefaults(ReportConfig& config, std::string_view listSeparator);

// Load or reset with the requested flag U (0 or 1):
// - repoconf.dat present and U not 0: read it, correct each field outside its range to its
//   default, and return the `User_defined` read;
// - otherwise: defaults, written with `User_defined` = U; returns U;
// - a file that cannot be read: "Error loading repoconf.dat -> Using Default values",
//   defaults written with `User_defined` 0; returns 0.
std::int16_t loadReportConfig(const std::filesystem::path& applicationFolder, std::int16_t U,
                              ReportConfig& config, std::string_view listSeparator, Ui& ui);

// Writes repoconf.dat with `User_defined` = U; on failure shows
// "Error Writing Report Configuration (repoconf.dat)" and returns false.
bool saveReportConfig(const std::filesystem::path& applicationFolder, std::int16_t U,
                      const ReportConfig& config, Ui& ui);

}  // namespace qv

#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "common/clock.h"
#include "common/ui.h"
#include "offline/series/kinetic_series.h"

namespace qv {

// The joint report of a kinetic series: a small CSV file in the project folder, one column per
// time point, one line per group. Lines end with CR LF.

// The report separator of the report settings, ";" when none is set.
std::string jointReportSeparator(const std::string& reportSeparator);
// The same from the application folder's repoconf.dat, read without rewriting it; the
// locale's list separator when there is none.
std::string jointReportSeparatorOf(const std::filesystem::path& appFolder, Ui& ui);

// The file's text, stamped with `now`:
//   Joint Report [YYYY-MM-DD hh:mm.ss]
//   Acq:<sep>name...
//   Group/Time[unit]<sep>label...
//   [#000]<sep>value...   (one line per group of the series, values as integers)
std::string jointReportText(const KineticSeries& series, const DateTime& now,
                            const std::string& separator);

// Writes joint_report + YYYYMMDDhhmmss + ".csv" into the project folder (never over another
// file: a second report within the same second takes the suffix _1) and opens it with its
// program through the Ui. nullopt, after a message, when it cannot be written.
std::optional<std::filesystem::path> writeJointReport(const std::filesystem::path& projectFolder,
                                                      const KineticSeries& series,
                                                      const std::string& separator, Clock& clock,
                                                      Ui& ui);

}  // namespace qv

#pragma once

#include <filesystem>
#include <string>

#include "analysis/report_binning.h"
#include "analysis/report_map.h"
#include "common/ui.h"

namespace qv {

enum class BasalOutcome {
    Off,   // no basal acquisition named; the counts are untouched
    Done,  // counts are percentages of the basal activity
    Stop,  // the user declined, or the basal data could not be binned; no report
};

// On when the name is not "-" and longer than 12 characters (a "yyyymmdd_hhmm" folder name
// and whatever the list adds after it).
bool basalIsOn(const std::string& basalName);

// The sibling folder the basal name points at: the report folder with its last 13 characters
// replaced by the name's first 13.
std::filesystem::path basalFolder(const std::filesystem::path& reportFolder,
                                  const std::string& basalName);

// The basal period in minutes: the bin when the basal run is at most one and a half bins long,
// otherwise asked until the answer lies between the bin and the basal length; a cancelled
// input is asked again like an empty one.
std::int32_t askBasalMinutes(std::int32_t basalLength, std::int32_t bin, Ui& ui);

// Rewrites the report's binned counts as percentages of each channel's basal activity per bin
// (capped at 10000); channels whose basal stays 0 may be discarded: they go to the free group
// and hold -999 in every bin.
BasalOutcome normaliseToBasal(const std::string& basalName,
                              const std::filesystem::path& reportFolder, BinnedRecords& report,
                              ReportGroups& groups, const ReportMap& map, Ui& ui);

}  // namespace qv

#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "analysis/activity_files.h"
#include "analysis/report_acquisition.h"
#include "analysis/report_binning.h"
#include "common/ui.h"

namespace qv {

// One record of a histoNNNN.bin file, as the acquisition writes it.
using HistogramFileRecord = HistogramRecord;

// Whole records only; a trailing partial record is not a record.
std::vector<HistogramFileRecord> decodeHistogramRecords(const std::string& bytes);

// Highest file number of "histo*.bin" in the folder; nullopt when there is none.
std::optional<int> highestHistogramFile(const std::filesystem::path& folder);

// The two histogram sections of the body-bends layout, ready to print.
struct HistogramSections {
    std::string groups;
    std::string wells;
};

// Reads histo0000.bin up to the highest number and averages the frequency counts per report
// bin, per well and per group. Shows the system's message and gives nullopt on failure.
std::optional<HistogramSections> histogramSections(const std::filesystem::path& folder,
                                                   const BinnedRecords& binned,
                                                   const AcquisitionSettings& settings,
                                                   const std::string& separator, Ui& ui);

}  // namespace qv

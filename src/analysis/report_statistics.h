#pragma once

#include <cstdint>
#include <vector>

#include "analysis/report_binning.h"
#include "analysis/report_map.h"

namespace qv {

// Per-bin results of a report, bins numbered 1..bins (index 0 unused).
struct ReportStatistics {
    int bins = 0;
    std::vector<bool> binHasData;                         // [bin]
    std::vector<std::int32_t> averageTemperature;         // [bin], tenths of a degree, 0 = none
    std::vector<std::vector<std::int32_t>> wellActivity;  // [well][bin]
    std::vector<int> wellGroup;                           // [well], -1 free or no channel
    int largestGroup = -1;
    std::vector<std::vector<std::int32_t>> groupAverage;    // [group][bin]
    std::vector<std::vector<std::int32_t>> groupDeviation;  // [group][bin]
    std::vector<std::int32_t> groupSize;                    // [group]
};

// Number of bins a report shows: largest time / bin to the nearest integer, at least 1.
int reportedBinCount(std::int32_t largestTime, std::int32_t bin);

ReportStatistics computeStatistics(const BinnedRecords& binned, const ReportMap& map,
                                   const ReportGroups& groups);

}  // namespace qv

#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "analysis/report_records.h"

namespace qv {

// The records redistributed into report bins. Bin i (0-based) ends at minute Bin x (i + 1).
// Counts are kept 32-bit: a day-long bin of a busy channel passes 32767.
struct BinnedRecords {
    std::int32_t bin = 0;
    // Largest time after the last-bin coverage rule.
    std::int32_t largestTime = 0;
    // Index of the last bin; -1 when no bin can be formed.
    int lastBin = -1;
    bool irregular = false;
    std::vector<std::int32_t> time;
    std::vector<std::array<std::int32_t, kChannels>> counts;
    std::vector<std::int16_t> temperature;
    // Records that fell into each bin; a bin with none received no data.
    std::vector<std::int32_t> samples;
};

// The bin-size corrections of the generate action: below 1 becomes 1; a run shorter than one
// bin gets a bin of whole quarter hours, or its own length when it is 30 minutes or less.
std::int32_t correctedBinSize(std::int32_t requested, std::int32_t duration);

// Irregular when a gap is at least twice the gap before it (both non-zero): a record every
// minute with one missing is irregular.
bool recordsAreIrregular(const std::vector<ActivityRecord>& records);

// Bins the loaded records; largestTime is the largest record time. lastBin is -1 when no bin
// can be formed (no time elapsed, fewer than two records, a bin below one minute, or more
// bins than two stamp-limited runs of one-minute bins would give).
BinnedRecords binRecords(const std::vector<ActivityRecord>& records, std::int32_t largestTime,
                         std::int32_t bin);

}  // namespace qv

#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "store/project_setup.h"

namespace qv {

// The minute stamp is a 16-bit value widened: never negative, never above 32767.
constexpr std::int32_t kLargestMinuteStamp = 32767;

// One counts record as the report uses it: whole minutes, 384 channel counts, temperature x 10
// (decoded from counts.bin by the activity-file codec).
struct CountsFileRecord {
    std::int32_t minutes = 0;
    std::array<std::int16_t, kChannels> counts{};
    std::int16_t temperature = 0;
};

// The loaded record tables of a report: each record's time after the day rule, its counts
// and its temperature in tenths of a degree.
struct ActivityRecord {
    std::int32_t time = 0;
    std::array<std::int16_t, kChannels> counts{};
    std::int16_t temperature = 0;
};

// Decodes whole 774-byte records; a trailing partial record is not a record, and a stamp
// outside 0..32767 ends the data (a damaged file).
std::vector<CountsFileRecord> decodeCountsRecords(const std::string& bytes);

// The record times with the day rule: a step back of more than 1000 minutes is the stamp
// wrapping at midnight, so a day is added from there on.
std::vector<std::int32_t> recordTimes(const std::vector<CountsFileRecord>& records);

// Largest record time of all records (0 when there are none).
std::int32_t measureDuration(const std::vector<CountsFileRecord>& records);

// The record tables: records from the first up to the last one whose time is not below any
// earlier time; a tail that runs back in time belongs to no run and is left out.
std::vector<ActivityRecord> loadRecords(const std::vector<CountsFileRecord>& records);

// Reads counts.bin; nullopt when the file cannot be read.
std::optional<std::vector<CountsFileRecord>> readCountsRecords(const std::filesystem::path& path);

}  // namespace qv

#pragma once

#include <array>
#include <cstdint>
#include <filesystem>

namespace qv {

// The per-channel beam settings of the instrument, kept in calvalue.dat (application folder,
// with a copy in each acquisition folder). Entries 0..383 are the channels; 384 is the spare
// entry every channel table carries.
constexpr int kCalibrationEntries = 385;
constexpr int kCalibrationChannels = 384;

struct CalibrationValues {
    std::array<std::int16_t, kCalibrationEntries> PinHole{};
    std::array<std::int16_t, kCalibrationEntries> Gain{};
};

constexpr std::int16_t kStartingPinHole = 2;
constexpr std::int16_t kStartingGain = 3;

// How a read went. The calibration step that reads the file reports a failure as its own.
enum class CalibrationReadStatus {
    Ok,         // every channel 0..383 read
    Missing,    // no file, or it cannot be read
    Malformed,  // a data line with fewer than two commas, or a value that is no 16-bit number
    Short,      // fewer than 384 data lines
};

struct CalibrationReadResult {
    CalibrationReadStatus status = CalibrationReadStatus::Missing;
    int entries = 0;  // entries the file filled (0..385)
    int badLine = 0;  // 1-based line of the file that made it Malformed, else 0
};

// The header line written by the store, and the unquoted one the device read-back writes;
// the reader skips line 1 whatever it holds.
enum class CalibrationHeader { Quoted, ReadBack };

// Reads folder/calvalue.dat line by line: line 1 skipped, blank lines skipped, double quotes
// removed, the second and third comma-separated values of each data line stored by line position.
// The tables change only when the status is Ok, so a broken file never half-overwrites them.
CalibrationReadResult readCalibrationValues(const std::filesystem::path& folder,
                                            CalibrationValues& values);

// Writes folder/calvalue.dat: the header, then one line "channel,PinHole,Gain" per channel 0..383.
bool writeCalibrationValues(const std::filesystem::path& folder, const CalibrationValues& values,
                            CalibrationHeader header = CalibrationHeader::Quoted);

// Every entry to PinHole 2 and Gain 3, then written as above.
bool writeStartingCalibrationValues(const std::filesystem::path& folder, CalibrationValues& values);

}  // namespace qv

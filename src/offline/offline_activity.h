#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analysis/report_records.h"
#include "store/project_setup.h"

namespace qv {

// What the offline plots compute from an acquisition's counts.bin: group activity in bins
// over time (line plot) or over the whole run (bar plot), and each channel's total (heat map).

// Slot of the free channels in the per-group tables; groups are 0..383.
inline constexpr int kFreeSlot = 384;
inline constexpr int kGroupSlots = 385;

// The group slot of a channel's stored group: its number, or kFreeSlot for a free channel and
// any number that names no group.
int groupSlot(std::int16_t storedGroup);

// A record's minute stamp counts from the start of its run, and a run lasts at most the
// longest lapse: a stamp outside 0..kLargestMinuteStamp comes from a damaged file, never from
// a run (the report leaves such records out as well).
inline bool possibleStamp(std::int32_t minutes) {
    return minutes >= 0 && minutes <= kLargestMinuteStamp;
}

struct BinnedActivity {
    int binSize = 5;  // minutes
    int bins = 0;     // bins 1..bins
    std::int32_t largestTime = 0;
    // Records left out for an impossible stamp (they would size the plot to billions of bins).
    std::size_t ignoredRecords = 0;
    // How many channels each group slot has.
    std::array<int, kGroupSlots> channels{};
    // Records that went into each bin (index 1..bins): a bin without any holds no value.
    std::vector<int> records;
    // Mean activity per channel, [slot][bin], bin 1..bins (index 0 unused).
    std::vector<double> values;
    double largest = 0;

    double at(int slot, int bin) const {
        return values[static_cast<std::size_t>(slot) * (bins + 1) + bin];
    }
    // Slots with at least one channel, in plot order: groups 0..383, then the free slot.
    std::vector<int> groupsInUse() const;
};

// Bins counts.bin. Lines: T / binSize rounded (ties to even) plus one bins, each record in the
// bin of its minute (minutes 0..binSize-1 in bin 1); otherwise one bin for the whole run. The
// file is read twice (the largest time, then the totals), so a run of any length is never held
// in memory. Records with an impossible stamp are left out and counted. nullopt when
// counts.bin cannot be read.
std::optional<BinnedActivity> binActivity(const std::filesystem::path& countsFile,
                                          const std::array<std::int16_t, kChannelSlots>& group,
                                          int binSize, bool lines);

// Each channel's count summed over the whole run; nullopt when counts.bin cannot be read.
using ChannelTotals = std::array<std::int64_t, kChannels>;
std::optional<ChannelTotals> channelTotals(const std::filesystem::path& countsFile);

// The minute stamp of every record (for time axes of block-wise views).
std::vector<std::int32_t> recordMinutes(const std::filesystem::path& countsFile);

// Walks the whole records of counts.bin in order, a block of them at a time; false when the
// file cannot be opened or read. A trailing partial record is left out.
bool forEachCountsRecord(
    const std::filesystem::path& countsFile,
    const std::function<void(std::int32_t minutes, const std::int16_t* counts)>& visit);

// --- The bin size box.

// The line plot starts at 5-minute bins for a lapse below an hour, 30 otherwise.
int initialBinSize(int lapseMinutes);
// The span S the buttons work with: (bins - 1) x bin size, at least 30 minutes.
int binSpan(int bins, int binSize);
// "+" and "-" on the value in the box, for a plot spanning `span` minutes.
int binSizeUp(int value, int span);
int binSizeDown(int value, int span);

}  // namespace qv

#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/date_time.h"
#include "common/ui.h"

namespace qv {

// A kinetic series: every acquisition of one project that carries a tag, in the order they
// were started, each one time point with the mean activity per channel of every group.

inline constexpr int kMaxSeriesAcquisitions = 99;
inline constexpr int kSeriesFreeSlot = 384;  // the free channels' slot after groups 0..383
inline constexpr int kSeriesSlots = 385;

struct SeriesRequest {
    std::filesystem::path projectFolder;
    std::string tag;  // "[K1]"
    // The group of every channel (-1 or any number outside 0..383: free).
    std::array<int, kSeriesSlots> channelGroup{};
    // Every group in percent of its first point.
    bool relative = false;
};

struct KineticSeries {
    std::string tag;
    bool relative = false;
    // The time points: acquisition folder names in start order, their start and the whole
    // minutes since the first start.
    std::vector<std::string> acquisitions;
    std::vector<DateTime> starts;
    std::vector<std::int64_t> minutes;
    // "min", "h" or "day" and the label of every point in that unit.
    std::string unit = "min";
    std::vector<std::string> timeLabels;
    // Tagged acquisitions left out because their counts.bin is missing.
    std::vector<std::string> missing;
    // Channels per slot (groups 0..383, then the free channels).
    std::array<int, kSeriesSlots> channels{};
    // The group slots drawn and written, in order, and their value at every point: the counts of
    // all the acquisition's records per channel of the group, rounded; in percent of the first
    // point when relative.
    std::vector<int> groupSlots;
    std::vector<std::vector<double>> values;
    double largest = 0;

    std::size_t points() const { return acquisitions.size(); }
};

// "[#003]" for group 3, "[#999]" for the free channels, as group lists number them.
std::string seriesGroupLabel(int slot);

// The unit of a series spanning `spanMinutes` from first to last start: minutes up to a day,
// hours up to three days, then days.
std::string seriesTimeUnit(std::int64_t spanMinutes);
// A point's label: whole minutes, or hours or days with one decimal.
std::string seriesTimeLabel(std::int64_t minutes, const std::string& unit);

// The acquisitions named in a list of keys (as tags_id.dat gives them for a tag, separated by
// blanks), each once, in the order they were started; names that are no "yyyymmdd_hhmm"
// acquisition folder are left out.
std::vector<std::string> inStartOrder(const std::string& keys);

// Builds the series of the tag from tags_id.dat and every member's counts.bin. nullopt when no
// acquisition carries the tag, or after "To many Tagged Sub_Projects! (max=99)". A member
// without counts.bin is reported ("Activity file not Found into " + its path) and left out;
// the series may then have no point at all.
std::optional<KineticSeries> buildKineticSeries(const SeriesRequest& request, Ui& ui);

}  // namespace qv

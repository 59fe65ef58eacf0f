#include "offline/series/kinetic_series.h"

#include <algorithm>
#include <sstream>

#include "analysis/activity_files.h"
#include "common/number_format.h"
#include "common/rounding.h"
#include "store/tags.h"

namespace qv {

namespace fs = std::filesystem;

namespace {

struct Member {
    std::string name;
    DateTime start;
    std::int64_t epochMs = 0;
};

int slotOf(int group) {
    return group >= 0 && group < kSeriesFreeSlot ? group : kSeriesFreeSlot;
}

// Per slot, the counts of every record summed over its channels.
std::array<std::int64_t, kSeriesSlots> slotTotals(const CountsFile& counts,
                                                  const std::array<int, kSeriesSlots>& group) {
    std::array<std::int64_t, kSeriesSlots> totals{};
    for (const CountsRecord& r : counts.records) {
        for (int c = 0; c < kSeriesFreeSlot; ++c) {
            totals[static_cast<std::size_t>(slotOf(group[static_cast<std::size_t>(c)]))] +=
                r.counts[static_cast<std::size_t>(c)];
        }
    }
    return totals;
}

void addPoint(KineticSeries& s, const Member& m, const CountsFile& counts,
              const std::array<int, kSeriesSlots>& group,
              std::vector<std::array<double, kSeriesSlots>>& perPoint) {
    const auto totals = slotTotals(counts, group);
    std::array<double, kSeriesSlots> values{};
    for (int slot = 0; slot < kSeriesSlots; ++slot) {
        const int n = s.channels[static_cast<std::size_t>(slot)];
        values[static_cast<std::size_t>(slot)] =
            n == 0 ? 0.0
                   : static_cast<double>(roundHalfEven(
                         static_cast<double>(totals[static_cast<std::size_t>(slot)]) / n));
    }
    perPoint.push_back(values);
    s.acquisitions.push_back(m.name);
    s.starts.push_back(m.start);
    s.minutes.push_back(0);
}

void placeInTime(KineticSeries& s, const std::vector<Member>& counted) {
    if (counted.empty()) {
        return;
    }
    for (std::size_t i = 0; i < counted.size(); ++i) {
        s.minutes[i] = (counted[i].epochMs - counted.front().epochMs) / 60000;
    }
    s.unit = seriesTimeUnit(s.minutes.back());
    for (const std::int64_t m : s.minutes) {
        s.timeLabels.push_back(seriesTimeLabel(m, s.unit));
    }
}

// The slots with channels become the lines; in percent, only those with a first value to
// relate to (a group idle at Time0 has no percentage to show).
void chooseLines(KineticSeries& s, const std::vector<std::array<double, kSeriesSlots>>& perPoint) {
    for (int slot = 0; slot < kSeriesSlots; ++slot) {
        if (s.channels[static_cast<std::size_t>(slot)] == 0) {
            continue;
        }
        std::vector<double> line;
        for (const auto& point : perPoint) {
            line.push_back(point[static_cast<std::size_t>(slot)]);
        }
        if (s.relative) {
            if (line.empty() || line.front() <= 0) {
                continue;
            }
            const double first = line.front();
            for (double& v : line) {
                v = v / first * 100.0;
            }
        }
        for (const double v : line) {
            s.largest = std::max(s.largest, v);
        }
        s.groupSlots.push_back(slot);
        s.values.push_back(std::move(line));
    }
}

}  // namespace

std::vector<std::string> inStartOrder(const std::string& keys) {
    std::vector<std::string> names;
    std::istringstream words(keys);
    std::string name;
    std::vector<Member> members;
    while (words >> name) {
        const auto start = parseFolderStamp(name);
        if (start && std::none_of(members.begin(), members.end(),
                                  [&](const Member& m) { return m.name == name; })) {
            members.push_back({name, *start, toEpochMs(*start)});
        }
    }
    std::stable_sort(members.begin(), members.end(),
                     [](const Member& a, const Member& b) { return a.epochMs < b.epochMs; });
    for (const Member& m : members) {
        names.push_back(m.name);
    }
    return names;
}

std::string seriesGroupLabel(int slot) {
    return "[#" + formatPadded(slot == kSeriesFreeSlot ? 999 : slot, 3) + "]";
}

std::string seriesTimeUnit(std::int64_t spanMinutes) {
    if (spanMinutes > 3 * 1440) {
        return "day";
    }
    return spanMinutes > 1440 ? "h" : "min";
}

std::string seriesTimeLabel(std::int64_t minutes, const std::string& unit) {
    if (unit == "h") {
        return formatFixed(static_cast<double>(minutes) / 60.0, 1);
    }
    if (unit == "day") {
        return formatFixed(static_cast<double>(minutes) / 1440.0, 1);
    }
    return std::to_string(minutes);
}

std::optional<KineticSeries> buildKineticSeries(const SeriesRequest& request, Ui& ui) {
    const std::string keys = acquisitionsWithTag(request.projectFolder, request.tag);
    if (keys.empty()) {
        return std::nullopt;
    }
    const std::vector<std::string> names = inStartOrder(keys);
    if (names.size() > static_cast<std::size_t>(kMaxSeriesAcquisitions)) {
        ui.message("To many Tagged Sub_Projects! (max=99)");
        return std::nullopt;
    }
    KineticSeries s;
    s.tag = request.tag;
    s.relative = request.relative;
    for (int c = 0; c < kSeriesFreeSlot; ++c) {
        ++s.channels[static_cast<std::size_t>(
            slotOf(request.channelGroup[static_cast<std::size_t>(c)]))];
    }
    std::vector<Member> counted;
    std::vector<std::array<double, kSeriesSlots>> perPoint;
    for (const std::string& name : names) {
        const DateTime start = *parseFolderStamp(name);
        const Member m{name, start, toEpochMs(start)};
        const fs::path folder = request.projectFolder / m.name;
        const auto counts = readCountsFile(countsFilePath(folder));
        if (!counts) {
            ui.message("Activity file not Found into " + folder.string());
            s.missing.push_back(m.name);
            continue;
        }
        addPoint(s, m, *counts, request.channelGroup, perPoint);
        counted.push_back(m);
        ui.processEvents();
    }
    placeInTime(s, counted);
    chooseLines(s, perPoint);
    return s;
}

}  // namespace qv

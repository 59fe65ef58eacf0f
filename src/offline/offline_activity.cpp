#include "offline/offline_activity.h"

#include <algorithm>
#include <fstream>

#include "analysis/activity_files.h"
#include "common/rounding.h"

namespace qv {

namespace fs = std::filesystem;

int groupSlot(std::int16_t storedGroup) {
    return storedGroup >= 0 && storedGroup < kChannels ? storedGroup : kFreeSlot;
}

std::vector<int> BinnedActivity::groupsInUse() const {
    std::vector<int> out;
    for (int g = 0; g < kGroupSlots; ++g) {
        if (channels[g] > 0) {
            out.push_back(g);
        }
    }
    return out;
}

bool forEachCountsRecord(const fs::path& countsFile,
                         const std::function<void(std::int32_t, const std::int16_t*)>& visit) {
    std::ifstream in(countsFile, std::ios::binary);
    if (!in) {
        return false;
    }
    constexpr std::size_t kChunkRecords = 1024;
    std::vector<char> buffer(kChunkRecords * kCountsRecordBytes);
    std::array<std::int16_t, kCountSlots> counts{};
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (in.bad()) {
            return false;
        }
        const std::size_t whole = got / kCountsRecordBytes;
        for (std::size_t r = 0; r < whole; ++r) {
            const auto* p =
                reinterpret_cast<const unsigned char*>(buffer.data()) + r * kCountsRecordBytes;
            const auto minutes = static_cast<std::int32_t>(
                static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                (static_cast<std::uint32_t>(p[2]) << 16) |
                (static_cast<std::uint32_t>(p[3]) << 24));
            for (int c = 0; c < kCountSlots; ++c) {
                counts[c] = static_cast<std::int16_t>(p[4 + 2 * c] | (p[5 + 2 * c] << 8));
            }
            visit(minutes, counts.data());
        }
        if (got < buffer.size()) {
            break;
        }
    }
    return true;
}

namespace {

struct RecordCount {
    std::int32_t largestTime = 0;
    std::size_t records = 0;
    std::size_t ignored = 0;
};

std::optional<RecordCount> measure(const fs::path& countsFile) {
    RecordCount m;
    bool first = true;
    const bool ok = forEachCountsRecord(countsFile, [&](std::int32_t minutes, const std::int16_t*) {
        if (!possibleStamp(minutes)) {
            ++m.ignored;
            return;
        }
        m.largestTime = first ? minutes : std::max(m.largestTime, minutes);
        first = false;
        ++m.records;
    });
    if (!ok) {
        return std::nullopt;
    }
    return m;
}

}  // namespace

std::optional<BinnedActivity> binActivity(const fs::path& countsFile,
                                          const std::array<std::int16_t, kChannelSlots>& group,
                                          int binSize, bool lines) {
    const auto measured = measure(countsFile);
    if (!measured) {
        return std::nullopt;
    }
    BinnedActivity a;
    a.binSize = std::max(binSize, 1);
    a.largestTime = std::max(measured->largestTime, 0);
    a.ignoredRecords = measured->ignored;
    a.bins =
        lines ? static_cast<int>(roundHalfEven(static_cast<double>(a.largestTime) / a.binSize)) + 1
              : 1;
    std::array<int, kChannels> slotOf{};
    for (int c = 0; c < kChannels; ++c) {
        slotOf[c] = groupSlot(group[c]);
        ++a.channels[slotOf[c]];
    }
    const auto width = static_cast<std::size_t>(a.bins) + 1;
    std::vector<std::int64_t> totals(kGroupSlots * width, 0);
    a.records.assign(width, 0);
    // A record goes to the bin its minute lies in. Moving on one bin per record that reaches
    // the bin's last minute would hold only for one record a minute: the 15-second blocks of a
    // run put four records into each minute, and a pause shifts every later record.
    const bool ok =
        forEachCountsRecord(countsFile, [&](std::int32_t minutes, const std::int16_t* c) {
            if (!possibleStamp(minutes)) {
                return;
            }
            const int bin = lines ? minutes / a.binSize + 1 : 1;
            if (bin <= a.bins) {
                for (int ch = 0; ch < kChannels; ++ch) {
                    totals[static_cast<std::size_t>(slotOf[ch]) * width + bin] += c[ch];
                }
                ++a.records[bin];
            }
        });
    if (!ok) {
        return std::nullopt;
    }
    a.values.assign(kGroupSlots * width, 0.0);
    for (int g = 0; g < kGroupSlots; ++g) {
        if (a.channels[g] == 0) {
            continue;
        }
        for (int b = 1; b <= a.bins; ++b) {
            const double v = static_cast<double>(
                roundHalfEven(static_cast<double>(totals[static_cast<std::size_t>(g) * width + b]) /
                              a.channels[g]));
            a.values[static_cast<std::size_t>(g) * width + b] = v;
            a.largest = std::max(a.largest, v);
        }
    }
    return a;
}

std::optional<ChannelTotals> channelTotals(const fs::path& countsFile) {
    ChannelTotals totals{};
    const bool ok = forEachCountsRecord(countsFile, [&](std::int32_t, const std::int16_t* c) {
        for (int ch = 0; ch < kChannels; ++ch) {
            totals[ch] += c[ch];
        }
    });
    if (!ok) {
        return std::nullopt;
    }
    return totals;
}

std::vector<std::int32_t> recordMinutes(const fs::path& countsFile) {
    std::vector<std::int32_t> out;
    forEachCountsRecord(countsFile,
                        [&](std::int32_t minutes, const std::int16_t*) { out.push_back(minutes); });
    return out;
}

int initialBinSize(int lapseMinutes) {
    return lapseMinutes < 60 ? 5 : 30;
}

int binSpan(int bins, int binSize) {
    return std::max((bins - 1) * binSize, 30);
}

int binSizeUp(int value, int span) {
    int r = value <= 4 ? 5 : value <= 120 ? value + 5 : 120;
    const double half = span / 2.0;
    const int halfRounded = static_cast<int>(roundHalfEven(half));
    if (half < r) {
        r = halfRounded;
    }
    if (span % r != 0) {
        while (half > r && span % r != 0) {
            r += 5;
        }
        if (r > half) {
            r = halfRounded;
        }
    }
    return r;
}

int binSizeDown(int value, int span) {
    int r = value <= 5 ? 5 : value > 120 ? 120 : value >= 10 ? value - 5 : value;
    const double half = span / 2.0;
    if (half < r) {
        r = static_cast<int>(roundHalfEven(half));
    }
    while (span % r != 0 && r > 5) {
        r = std::max(r - 5, 5);
    }
    return r;
}

}  // namespace qv

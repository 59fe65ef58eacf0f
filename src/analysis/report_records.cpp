#include "analysis/report_records.h"

#include <algorithm>

#include "common/file_util.h"

namespace qv {

namespace {

std::int32_t int32At(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
        v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    }
    return static_cast<std::int32_t>(v);
}

std::int16_t int16At(const std::string& b, std::size_t at) {
    const auto lo = static_cast<unsigned char>(b[at]);
    const auto hi = static_cast<unsigned char>(b[at + 1]);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | (hi << 8)));
}

}  // namespace

std::vector<CountsFileRecord> decodeCountsRecords(const std::string& bytes) {
    const std::size_t n = bytes.size() / kCountsRecordSize;
    std::vector<CountsFileRecord> out(n);
    for (std::size_t r = 0; r < n; ++r) {
        const std::size_t base = r * kCountsRecordSize;
        out[r].minutes = int32At(bytes, base);
        if (out[r].minutes < 0 || out[r].minutes > kLargestMinuteStamp) {
            // No writer gives such a stamp: the data end here.
            out.resize(r);
            break;
        }
        for (int c = 0; c < kChannels; ++c) {
            out[r].counts[c] = int16At(bytes, base + 4 + 2 * c);
        }
        out[r].temperature = int16At(bytes, base + 772);
    }
    return out;
}

std::vector<std::int32_t> recordTimes(const std::vector<CountsFileRecord>& records) {
    std::vector<std::int32_t> times;
    times.reserve(records.size());
    std::int64_t day = 0;
    for (const auto& rec : records) {
        std::int64_t t = day * 1440 + rec.minutes;
        if (!times.empty() && times.back() - t > 1000) {
            ++day;
            t = day * 1440 + rec.minutes;
        }
        times.push_back(
            static_cast<std::int32_t>(std::clamp<std::int64_t>(t, INT32_MIN, INT32_MAX)));
    }
    return times;
}

std::int32_t measureDuration(const std::vector<CountsFileRecord>& records) {
    const auto times = recordTimes(records);
    std::int32_t largest = 0;
    for (auto t : times) {
        largest = std::max(largest, t);
    }
    return largest;
}

std::vector<ActivityRecord> loadRecords(const std::vector<CountsFileRecord>& records) {
    const auto times = recordTimes(records);
    std::size_t keep = 0;
    std::int32_t highest = INT32_MIN;
    for (std::size_t i = 0; i < times.size(); ++i) {
        if (times[i] >= highest) {
            highest = times[i];
            keep = i + 1;
        }
    }
    std::vector<ActivityRecord> out(keep);
    for (std::size_t i = 0; i < keep; ++i) {
        out[i].time = times[i];
        out[i].counts = records[i].counts;
        out[i].temperature = records[i].temperature;
    }
    return out;
}

std::optional<std::vector<CountsFileRecord>> readCountsRecords(const std::filesystem::path& path) {
    auto bytes = readFile(path);
    if (!bytes) {
        return std::nullopt;
    }
    return decodeCountsRecords(*bytes);
}

}  // namespace qv

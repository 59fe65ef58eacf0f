#include "analysis/report_records.h"

#include <algorithm>

#include "analysis/activity_files.h"
#include "common/file_util.h"

namespace qv {

std::vector<CountsFileRecord> decodeCountsRecords(const std::string& bytes) {
    const std::size_t n = bytes.size() / kCountsRecordBytes;
    std::vector<CountsFileRecord> out;
    out.reserve(n);
    for (std::size_t r = 0; r < n; ++r) {
        const CountsRecord stored = decodeCountsRecord(
            std::string_view(bytes).substr(r * kCountsRecordBytes, kCountsRecordBytes));
        if (stored.minutes < 0 || stored.minutes > kLargestMinuteStamp) {
            // No writer gives such a stamp: the data end here.
            break;
        }
        CountsFileRecord rec;
        rec.minutes = stored.minutes;
        std::copy_n(stored.counts.begin(), kChannels, rec.counts.begin());
        rec.temperature = stored.temperatureX10();
        out.push_back(rec);
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

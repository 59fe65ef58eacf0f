// counts.bin as the offline browser's plots read it: the line plot in bins of the default and
// the largest box sizes, the bar plot, the heat map's channel totals and the record minutes
// of path tracking.
#include <numeric>

#include "analysis/activity_files.h"
#include "offline/offline_activity.h"
#include "support/fuzz_support.h"

using namespace qv;
namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::asText(data, size);
    const fs::path folder = fuzz::freshScratch();
    const fs::path file = countsFilePath(folder);
    fuzz::writeBytes(file, bytes);
    const auto before = fuzz::snapshot(folder);
    const std::size_t records = size / kCountsRecordBytes;

    std::array<std::int16_t, kChannelSlots> groups{};
    for (int c = 0; c < kChannelSlots; ++c) {
        groups[c] = static_cast<std::int16_t>(c % 7 == 6 ? -1 : c / 100);
    }
    for (const int binSize : {5, 120}) {
        for (const bool lines : {true, false}) {
            std::optional<BinnedActivity> a;
            fuzz::mustNotThrow("binActivity",
                               [&] { a = binActivity(file, groups, binSize, lines); });
            fuzz::check(a.has_value(), "an existing counts.bin did not bin");
            // However damaged the stamps, the plot never outgrows the longest run.
            fuzz::check(a->bins >= 1 && a->bins <= kLargestMinuteStamp / binSize + 2,
                        "bins beyond the longest run");
            const auto binned = std::accumulate(a->records.begin(), a->records.end(), 0LL);
            fuzz::check(static_cast<std::size_t>(binned) + a->ignoredRecords <= records,
                        "more records binned than the file holds");
            if (!lines) {
                fuzz::check(static_cast<std::size_t>(binned) + a->ignoredRecords == records,
                            "the bar plot lost a record");
            }
            fuzz::check(a->largest >= 0 || a->largest < 0, "largest is not a number");
        }
    }
    std::optional<ChannelTotals> totals;
    fuzz::mustNotThrow("channelTotals", [&] { totals = channelTotals(file); });
    fuzz::check(totals.has_value(), "an existing counts.bin gave no totals");
    std::vector<std::int32_t> minutes;
    fuzz::mustNotThrow("recordMinutes", [&] { minutes = recordMinutes(file); });
    fuzz::check(minutes.size() == records, "record minutes and whole records disagree");
    fuzz::expectUnchanged(before, fuzz::snapshot(folder), "the offline plots' readers");
    return 0;
}

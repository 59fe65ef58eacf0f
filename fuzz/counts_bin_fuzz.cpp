// counts.bin as the activity-file reader and the report's record loader read it.
#include <algorithm>

#include "analysis/activity_files.h"
#include "analysis/report_binning.h"
#include "analysis/report_records.h"
#include "support/fuzz_support.h"

using namespace qv;
namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(fuzz::asText(data, size));
    const fs::path folder = fuzz::freshScratch();
    fuzz::writeBytes(countsFilePath(folder), bytes);
    const auto before = fuzz::snapshot(folder);

    std::optional<CountsFile> file;
    fuzz::mustNotThrow("readCountsFile", [&] { file = readCountsFile(countsFilePath(folder)); });
    fuzz::check(file.has_value(), "an existing counts.bin did not read");
    fuzz::check(file->records.size() == size / kCountsRecordBytes, "wrong record count");
    fuzz::check(file->trailingBytes == size % kCountsRecordBytes, "wrong trailing size");
    // Every whole record decodes to values that encode back to the very same bytes.
    for (std::size_t n = 0; n < file->records.size(); ++n) {
        fuzz::check(encodeCountsRecord(file->records[n]) ==
                        bytes.substr(n * kCountsRecordBytes, kCountsRecordBytes),
                    "a counts record does not encode back to its bytes");
    }

    std::optional<std::vector<CountsFileRecord>> report;
    fuzz::mustNotThrow("readCountsRecords",
                       [&] { report = readCountsRecords(countsFilePath(folder)); });
    fuzz::check(report.has_value(), "the report could not read counts.bin");
    fuzz::check(report->size() <= file->records.size(), "the report found more records");
    for (std::size_t n = 0; n < report->size(); ++n) {
        const CountsFileRecord& r = (*report)[n];
        fuzz::check(r.minutes >= 0 && r.minutes <= kLargestMinuteStamp, "stamp out of range");
        fuzz::check(
            r.minutes == file->records[n].minutes &&
                r.temperature == file->records[n].temperatureX10() &&
                std::equal(r.counts.begin(), r.counts.end(), file->records[n].counts.begin()),
            "the two counts readers disagree");
    }

    std::vector<ActivityRecord> records;
    std::int32_t duration = 0;
    fuzz::mustNotThrow("loadRecords", [&] {
        records = loadRecords(*report);
        duration = measureDuration(*report);
    });
    fuzz::check(records.size() <= report->size(), "more records loaded than read");
    // The loaded records end at the latest one: a tail that runs back in time is left out.
    for (const ActivityRecord& r : records) {
        fuzz::check(r.time <= records.back().time, "a record after the latest was loaded");
    }
    fuzz::check(duration >= 0, "negative duration");
    // The box's smallest, default and largest choices.
    for (std::int32_t requested : {5, 30, 1440}) {
        BinnedRecords binned;
        const std::int32_t largest = records.empty() ? 0 : records.back().time;
        fuzz::mustNotThrow("binRecords", [&] {
            binned = binRecords(records, largest, correctedBinSize(requested, duration));
        });
        if (binned.lastBin >= 0) {
            fuzz::check(binned.counts.size() == static_cast<std::size_t>(binned.lastBin) + 1,
                        "bins and last bin disagree");
        }
    }
    fuzz::expectUnchanged(before, fuzz::snapshot(folder), "the counts readers");
    return 0;
}

// histoNNNN.bin as the activity-file reader and the report's histogram decoder read it.
#include <cstring>

#include "analysis/activity_files.h"
#include "analysis/report_histogram.h"
#include "support/fuzz_support.h"

using namespace qv;
namespace fs = std::filesystem;

namespace {

bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(fuzz::asText(data, size));
    const fs::path folder = fuzz::freshScratch();
    fuzz::writeBytes(histogramFilePath(folder, 0), bytes);
    const auto before = fuzz::snapshot(folder);

    std::optional<HistogramFile> file;
    fuzz::mustNotThrow("readHistogramFile",
                       [&] { file = readHistogramFile(histogramFilePath(folder, 0)); });
    fuzz::check(file.has_value(), "an existing histogram file did not read");
    fuzz::check(file->records.size() == size / kHistogramRecordBytes, "wrong record count");
    fuzz::check(file->trailingBytes == size % kHistogramRecordBytes, "wrong trailing size");
    for (std::size_t n = 0; n < file->records.size(); ++n) {
        fuzz::check(encodeHistogramRecord(file->records[n]) ==
                        bytes.substr(n * kHistogramRecordBytes, kHistogramRecordBytes),
                    "a histogram record does not encode back to its bytes");
    }

    std::vector<HistogramFileRecord> report;
    fuzz::mustNotThrow("decodeHistogramRecords", [&] { report = decodeHistogramRecords(bytes); });
    fuzz::check(report.size() == file->records.size(), "the two histogram readers disagree");
    for (std::size_t n = 0; n < report.size(); ++n) {
        fuzz::check(sameBits(report[n].minutes, file->records[n].minutes) &&
                        sameBits(report[n].samplePeriod, file->records[n].samplePeriod) &&
                        report[n].bins == file->records[n].bins,
                    "the two histogram readers decode differently");
    }

    std::optional<int> highest;
    fuzz::mustNotThrow("highestHistogramFileNumber",
                       [&] { highest = highestHistogramFileNumber(folder); });
    fuzz::check(highest == 0, "histo0000.bin not found as the highest file");
    fuzz::expectUnchanged(before, fuzz::snapshot(folder), "the histogram readers");
    return 0;
}

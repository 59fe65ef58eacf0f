#include "analysis/report_histogram.h"

#include <cmath>
#include <cstring>

#include "analysis/report_statistics.h"
#include "common/file_util.h"
#include "common/number_format.h"
#include "common/rounding.h"

namespace qv {

namespace {

constexpr int kReportedFrequencies = 50;  // bins 0..49

// The frequency counts of one report bin, summed per channel over the records it received.
// Records arrive in time order, so one bin is held at a time and printed when the next begins.
struct BinTotals {
    int bin = 0;
    int records = 0;
    std::vector<std::array<std::int64_t, kReportedFrequencies>> sums =
        std::vector<std::array<std::int64_t, kReportedFrequencies>>(kChannels);

    void restart(int k) {
        bin = k;
        records = 0;
        for (auto& s : sums) {
            s.fill(0);
        }
    }
    void add(const HistogramFileRecord& rec) {
        ++records;
        for (int f = 0; f < kReportedFrequencies; ++f) {
            for (int c = 0; c < kChannels; ++c) {
                sums[c][f] += rec.at(c, f);
            }
        }
    }
};

// Bins end at multiples of the bin size; a record at the very start belongs to the first. A
// time that is no number, negative or past the last bin gives 0 (no bin).
int reportBinOf(double minutes, std::int32_t bin, int bins) {
    const double k = std::ceil(minutes / bin);
    if (!(minutes >= 0) || !(k <= bins)) {
        return 0;
    }
    return std::max(1, static_cast<int>(k));
}

double wellFrequency(const BinTotals& t, const ReportMap& map, int well, int f) {
    double sum = 0;
    int beams = 0;
    for (int c : map.channelOfWell[well]) {
        if (c >= 0) {
            sum += static_cast<double>(t.sums[c][f]);
            ++beams;
        }
    }
    return beams > 0 && t.records > 0 ? sum / (beams * t.records) : 0.0;
}

std::string frequencyHeader(const std::string& sp, const std::string& lead) {
    std::string s = lead + sp + "Group/Frequency:";
    for (int f = 0; f < kReportedFrequencies; ++f) {
        s += sp + std::to_string(f);
    }
    return s + "\r\n";
}

class HistogramPrinter {
  public:
    HistogramPrinter(const BinnedRecords& binned, const AcquisitionSettings& s, std::string sp)
        : binned_(binned), s_(s), sp_(std::move(sp)) {
        out.groups =
            "\"<<<<<< Group Histogram: Average Number of Frequency Counts per Data "
            "Interval>>>>>>\"\r\n" +
            frequencyHeader(sp_, "Time[m]");
        out.wells =
            "\"<<<<<< Well Histogram: Average Number of Frequency Counts per Data "
            "Interval>>>>>>\"\r\n" +
            frequencyHeader(sp_, "Time[m]" + sp_ + "Well");
    }

    // Well lines of the bin, then the group lines as the mean of their wells.
    void print(const BinTotals& t) {
        if (t.records == 0) {
            return;
        }
        const auto& map = s_.map;
        const std::string time = std::to_string(
            std::min<std::int64_t>(std::int64_t{binned_.bin} * t.bin, binned_.largestTime));
        std::vector<std::array<double, kReportedFrequencies>> groupSum(
            static_cast<std::size_t>(s_.groups.largestGroup() + 1));
        std::vector<int> groupWells(groupSum.size(), 0);
        for (int w = 0; w <= map.largestWell; ++w) {
            if (!map.wellHasChannels(w)) {
                continue;
            }
            const int beam0 = map.beamZeroChannel(w);
            const int g = beam0 >= 0 ? s_.groups.channelGroup[beam0] : -1;
            out.wells += time + sp_ + wellLabel(w, map.rows) + sp_ + s_.groups.label(g);
            for (int f = 0; f < kReportedFrequencies; ++f) {
                const double v = wellFrequency(t, map, w, f);
                appendValue(out.wells, v);
                if (g >= 0) {
                    groupSum[g][f] += v;
                }
            }
            out.wells += "\r\n";
            if (g >= 0) {
                ++groupWells[g];
            }
        }
        for (std::size_t g = 0; g < groupSum.size(); ++g) {
            out.groups += time + sp_ + s_.groups.label(static_cast<int>(g));
            for (int f = 0; f < kReportedFrequencies; ++f) {
                appendValue(out.groups, groupWells[g] > 0 ? groupSum[g][f] / groupWells[g] : 0.0);
            }
            out.groups += "\r\n";
        }
    }

    HistogramSections out;

  private:
    void appendValue(std::string& line, double v) const {
        line += sp_;
        line += std::to_string(roundHalfEven(v));
    }

    const BinnedRecords& binned_;
    const AcquisitionSettings& s_;
    std::string sp_;
};

}  // namespace

std::vector<HistogramFileRecord> decodeHistogramRecords(const std::string& bytes) {
    const std::size_t n = bytes.size() / kHistogramRecordBytes;
    std::vector<HistogramFileRecord> out;
    out.reserve(n);
    for (std::size_t r = 0; r < n; ++r) {
        out.push_back(decodeHistogramRecord(
            std::string_view(bytes).substr(r * kHistogramRecordBytes, kHistogramRecordBytes)));
    }
    return out;
}

std::optional<int> highestHistogramFile(const std::filesystem::path& folder) {
    return highestHistogramFileNumber(folder);
}

std::optional<HistogramSections> histogramSections(const std::filesystem::path& folder,
                                                   const BinnedRecords& binned,
                                                   const AcquisitionSettings& settings,
                                                   const std::string& separator, Ui& ui) {
    const auto highest = highestHistogramFile(folder);
    if (!highest) {
        ui.message("Error getting Histogram.bin data");
        return std::nullopt;
    }
    if (binned.bin < 1) {
        ui.message("Report Calculation Error");
        return std::nullopt;
    }
    const int bins = reportedBinCount(binned.largestTime, binned.bin);
    HistogramPrinter printer(binned, settings, separator);
    BinTotals current;
    // The numbers 0..highest that name no file hold nothing to read.
    for (const int n : histogramFileNumbers(folder)) {
        const auto bytes = readFile(folder / ("histo" + formatPadded(n, 4) + ".bin"));
        if (!bytes) {
            continue;
        }
        for (const auto& rec : decodeHistogramRecords(*bytes)) {
            const int k = reportBinOf(rec.minutes, binned.bin, bins);
            // A record from before the bin being summed belongs to no run of this report.
            if (k == 0 || k < current.bin) {
                continue;
            }
            if (k != current.bin) {
                printer.print(current);
                current.restart(k);
            }
            current.add(rec);
        }
    }
    printer.print(current);
    return printer.out;
}

}  // namespace qv

#include "analysis/report_statistics.h"

#include <algorithm>
#include <cmath>

#include "common/rounding.h"

namespace qv {

namespace {

std::int32_t channelCount(const BinnedRecords& binned, int bin, int channel) {
    const auto i = static_cast<std::size_t>(bin - 1);
    return i < binned.counts.size() ? binned.counts[i][channel] : 0;
}

// A single beam is the well; several beams are averaged over the cells a channel fills.
std::int32_t wellActivityIn(const BinnedRecords& binned, const ReportMap& map, int well, int bin) {
    if (map.largestBeam == 0) {
        return channelCount(binned, bin, map.channelOfWell[well][0]);
    }
    double sum = 0;
    int used = 0;
    for (int c : map.channelOfWell[well]) {
        if (c >= 0) {
            sum += channelCount(binned, bin, c);
            ++used;
        }
    }
    return static_cast<std::int32_t>(roundHalfEven(sum / used));
}

void fillTemperatures(ReportStatistics& s, const BinnedRecords& binned) {
    for (int k = 1; k <= s.bins; ++k) {
        const auto i = static_cast<std::size_t>(k - 1);
        const int t = i < binned.temperature.size() ? binned.temperature[i] : 0;
        s.averageTemperature[k] = (t >= 10 && t <= 500) ? t : 0;
        s.binHasData[k] = i < binned.samples.size() && binned.samples[i] > 0;
    }
}

void fillWells(ReportStatistics& s, const BinnedRecords& binned, const ReportMap& map,
               const ReportGroups& groups) {
    const auto wells = static_cast<std::size_t>(map.largestWell + 1);
    s.wellActivity.assign(wells, std::vector<std::int32_t>(s.bins + 1, 0));
    s.wellGroup.assign(wells, -1);
    for (int w = 0; w <= map.largestWell; ++w) {
        if (!map.wellHasChannels(w)) {
            continue;
        }
        const int beam0 = map.beamZeroChannel(w);
        s.wellGroup[w] = beam0 >= 0 ? groups.channelGroup[beam0] : -1;
        for (int k = 1; k <= s.bins; ++k) {
            s.wellActivity[w][k] = wellActivityIn(binned, map, w, k);
        }
    }
}

std::vector<int> wellsOfGroup(const ReportStatistics& s, int group) {
    std::vector<int> wells;
    for (int w = 0; w < static_cast<int>(s.wellGroup.size()); ++w) {
        if (s.wellGroup[w] == group) {
            wells.push_back(w);
        }
    }
    return wells;
}

// The deviation accumulates the rounded running sum of squares, well by well.
void groupBin(ReportStatistics& s, int g, int k, const std::vector<int>& wells) {
    const auto n = static_cast<std::int64_t>(wells.size());
    std::int64_t sum = 0;
    for (int w : wells) {
        sum += s.wellActivity[w][k];
    }
    const std::int64_t avg = roundHalfEven(static_cast<double>(sum) / n);
    s.groupAverage[g][k] = static_cast<std::int32_t>(avg);
    if (n > 1) {
        double squares = 0;
        for (int w : wells) {
            const double d = static_cast<double>(s.wellActivity[w][k] - avg);
            squares = roundHalfEvenReal(d * d + squares);
        }
        s.groupDeviation[g][k] =
            static_cast<std::int32_t>(roundHalfEven(std::sqrt(squares / (n - 1))));
    }
}

void fillGroups(ReportStatistics& s) {
    const auto groups = static_cast<std::size_t>(s.largestGroup + 1);
    s.groupAverage.assign(groups, std::vector<std::int32_t>(s.bins + 1, 0));
    s.groupDeviation.assign(groups, std::vector<std::int32_t>(s.bins + 1, 0));
    s.groupSize.assign(groups, 0);
    for (int g = 0; g <= s.largestGroup; ++g) {
        const std::vector<int> wells = wellsOfGroup(s, g);
        if (wells.empty()) {
            continue;
        }
        s.groupSize[g] = static_cast<std::int32_t>(wells.size());
        for (int k = 1; k <= s.bins; ++k) {
            groupBin(s, g, k, wells);
        }
    }
}

}  // namespace

int reportedBinCount(std::int32_t largestTime, std::int32_t bin) {
    if (bin < 1) {
        return 1;
    }
    return std::max<int>(1,
                         static_cast<int>(roundHalfEven(static_cast<double>(largestTime) / bin)));
}

ReportStatistics computeStatistics(const BinnedRecords& binned, const ReportMap& map,
                                   const ReportGroups& groups) {
    ReportStatistics s;
    s.bins = reportedBinCount(binned.largestTime, binned.bin);
    s.binHasData.assign(s.bins + 1, false);
    s.averageTemperature.assign(s.bins + 1, 0);
    fillTemperatures(s, binned);
    fillWells(s, binned, map, groups);
    s.largestGroup = groups.largestGroup();
    fillGroups(s);
    return s;
}

}  // namespace qv

#include "analysis/report_map.h"

#include <algorithm>

#include "common/number_format.h"

namespace qv {

void ReportMap::build() {
    largestWell = -1;
    largestBeam = 0;
    for (int c = 0; c < kChannels; ++c) {
        if (wellOfChannel[c] >= 0) {
            largestWell = std::max(largestWell, wellOfChannel[c]);
            largestBeam = std::max(largestBeam, beamOfChannel[c]);
        }
    }
    channelOfWell.assign(static_cast<std::size_t>(largestWell + 1),
                         std::vector<int>(static_cast<std::size_t>(largestBeam + 1), -1));
    for (int c = 0; c < kChannels; ++c) {
        const int w = wellOfChannel[c];
        const int b = beamOfChannel[c];
        if (w >= 0 && b >= 0) {
            channelOfWell[w][b] = c;
        }
    }
}

bool ReportMap::wellHasChannels(int well) const {
    if (well < 0 || well > largestWell) {
        return false;
    }
    const auto& cells = channelOfWell[well];
    return std::any_of(cells.begin(), cells.end(), [](int c) { return c >= 0; });
}

int ReportMap::beamZeroChannel(int well) const {
    if (well < 0 || well > largestWell) {
        return -1;
    }
    return channelOfWell[well][0];
}

std::string wellLabel(int well, int rows) {
    if (rows < 1) {
        rows = 1;
    }
    const int column = well / rows;
    const int row = well - column * rows;
    return std::string(1, static_cast<char>('A' + row)) + std::to_string(column + 1);
}

int ReportGroups::largestGroup() const {
    int g = -1;
    for (int c = 0; c < kChannels; ++c) {
        g = std::max(g, channelGroup[c]);
    }
    return g;
}

std::string ReportGroups::label(int group) const {
    if (group < 0) {
        return "\"999_Free\"";
    }
    const std::string name =
        static_cast<std::size_t>(group) < names.size() ? names[group] : std::string();
    return "\"" + formatPadded(group, 3) + "_" + name + "\"";
}

}  // namespace qv

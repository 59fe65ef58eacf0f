#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/report_records.h"

namespace qv {

// The channel-to-well map as a report uses it: every cell no channel fills is -1, so a well
// walks only its own beams (a format that names a well no channel lies in has an empty well).
struct ReportMap {
    int rows = 8;
    int columns = 12;
    int largestWell = -1;
    int largestBeam = 0;
    std::array<int, kChannels + 1> wellOfChannel{};
    std::array<int, kChannels + 1> beamOfChannel{};
    // [well][beam] -> channel or -1.
    std::vector<std::vector<int>> channelOfWell;

    // Builds the cells from wellOfChannel/beamOfChannel; the higher channel wins a shared cell.
    void build();
    bool wellHasChannels(int well) const;
    int beamZeroChannel(int well) const;
};

// "A1" for well 0: row letter, then the column number from 1.
std::string wellLabel(int well, int rows);

// The grouping a report uses: group of every channel (-1 free) and the group names.
struct ReportGroups {
    std::array<int, kChannels + 1> channelGroup{};
    std::vector<std::string> names;

    int largestGroup() const;
    // A double quote, the number as "000", "_", the name, a double quote; "999_Free" for -1.
    std::string label(int group) const;
};

}  // namespace qv

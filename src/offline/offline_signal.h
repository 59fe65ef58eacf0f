#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "offline/offline_drawing.h"
#include "store/plate_format.h"

namespace qv {

// The raw sample files of an acquisition (0.bin, 1.bin, ...: block k in file k div 11 as record
// k mod 11) seen as pages of 50 blocks, 25,000 samples of every beam at 500 samples a block.
inline constexpr int kBlocksPerPage = 50;
// "Analyze" counts at most this many blocks (six hours of 15-second blocks).
inline constexpr int kMostAnalysedBlocks = 1440;

struct RawLayout {
    int rtBuffer = 500;
    // Whole records in each raw file, from file 0 to the last one present.
    std::vector<int> recordsInFile;

    // Blocks from the first to the last one stored: a file cut short inside the run leaves a
    // gap, not a shift.
    int blocks() const;
    // Pages of 50 blocks; a run with raw data has at least one, the last may be partly filled.
    int pages() const;
    bool hasBlock(int block) const;
};

RawLayout rawLayout(const std::filesystem::path& acquisitionFolder, int rtBuffer);

// The channels of a well, one per beam present (a beam without a channel is left out).
std::vector<int> channelsOfWellBeams(const PlateFormat& plate, int well);

// The samples of the given channels over page `page` (1..pages).
SignalPage loadSignalPage(const std::filesystem::path& acquisitionFolder, const RawLayout& layout,
                          int page, const std::vector<int>& channels);

// DetectActivity (method 1 when modeOne, else 0; no marks) on every stored block, at most
// kMostAnalysedBlocks, of each of the channels; the counts per block and channel. `progress`
// is called after each block with the blocks done and the total, and may return false to stop.
// Throws what the detection throws (an arithmetic fault of a block).
WellAnalysis analyseWell(const std::filesystem::path& acquisitionFolder, const RawLayout& layout,
                         const std::vector<int>& channels, double snr, bool modeOne,
                         const std::vector<std::int32_t>& recordMinutes,
                         const std::function<bool(int done, int total)>& progress);

// The offline threshold box: a value above 6.0, below 1.1 or no number at all becomes 1.8. A
// comma is accepted as the decimal point.
double offlineThreshold(const std::string& typed);

}  // namespace qv

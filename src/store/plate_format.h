#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "common/ui.h"
#include "store/project_setup.h"

namespace qv {

// Which channel of the fixed 16 x 24 beam grid falls into which well of the plate in use, and
// how the wells are drawn over the grid (one beam spacing = 100 drawing units).
struct PlateFormat {
    std::int16_t rows = 16;
    double rowPitch = 1.0;
    double rowOffset = 0.0;
    std::int16_t columns = 24;
    double columnPitch = 1.0;
    double columnOffset = 0.0;

    // Well index of each channel, -1 (any negative) when the channel lies in no well.
    std::array<std::int16_t, kChannelSlots> wellOfChannel;
    // Number of the channel within its well, from 0.
    std::array<std::int16_t, kChannelSlots> beamOfChannel;
    std::int16_t largestWell = 0;
    std::int16_t largestBeam = 0;
    // [well 0..largestWell][beam 0..largestBeam]: the channel that is beam b of well w; cells
    // that no channel fills hold 0, so walk only beamsOfWell(w) beams of a well.
    std::vector<std::vector<std::int16_t>> channelOfWell;

    PlateFormat();

    // The channel that is beam b of well w, or -1 when no channel fills that cell.
    int channelOf(int well, int beam) const;
    // How many beams well w really has (1 + its highest beam number), 0 when no channel lies
    // in it. The w96 defaults name 96 as largest well although wells run 0..95: well 96 has
    // no beam here.
    int beamsOfWell(int well) const;
    // Wells with at least one channel.
    int realWellCount() const;

    // Filled by buildMap.
    std::vector<std::int16_t> beamCount;
};

// The channel-of-well table and the beam counts from the per-channel records; when two
// channels name the same well and beam, the higher channel wins.
void buildMap(PlateFormat& plate);

// The built-in formats; false for codes other than "w384", "w96u", "w96f".
bool applyBuiltInPlateFormat(const std::string& code, PlateFormat& plate);

struct PlateLoadStatus {
    bool ok = false;
    // Progress marker: 0 not opened, 1 reading the geometry, 2 reading channel records.
    int P = 0;
};

// Reads applicationFolder/<code>.dat and builds the map. The record changes only on success;
// a failure reaches the caller in the status.
PlateLoadStatus loadPlateFormatWithoutFallback(const std::filesystem::path& applicationFolder,
                                               const std::string& code, PlateFormat& plate);

// The same reading from a file named in full (a format's ".bak" copy, for one).
PlateLoadStatus loadPlateFormatFile(const std::filesystem::path& file, PlateFormat& plate);

// The same, but a failure shows its message and falls back to a built-in format; a code
// other than the three built-in ones becomes "w96f". Never fails towards the caller; false
// when the built-in format was taken.
bool loadPlateFormat(const std::filesystem::path& applicationFolder, std::string& code,
                     PlateFormat& plate, Ui& ui);

}  // namespace qv

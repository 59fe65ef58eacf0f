#pragma once

#include <array>

namespace qv {

inline constexpr int kArenaChannels = 384;
inline constexpr int kArenaRows = 16;
inline constexpr int kArenaColumns = 24;
// Gain and PinHole as this window sets them.
inline constexpr int kArenaTopSetting = 7;

// A channel's two beam settings.
struct ChannelSetting {
    int pinHole = 0;
    int gain = 0;
    friend bool operator==(const ChannelSetting&, const ChannelSetting&) = default;
};

using ChannelSettings = std::array<ChannelSetting, kArenaChannels>;

// The readings a calibration aims at: target percent of 2048, plus and minus 5 percent.
struct TargetBand {
    int lower = 0;
    int upper = 0;
    bool below(int reading) const { return reading < lower; }
    bool above(int reading) const { return reading > upper; }
    bool contains(int reading) const { return !below(reading) && !above(reading); }
};
TargetBand targetBand(double targetPercent);

// A stored setting byte as the arena keeps it: Gain = byte div 32, PinHole = byte mod 32 but
// never above 7, the most this window can set.
ChannelSetting settingFromStoredByte(int byte);

// The read index of the service block that carries the channel: p = 32 x (c div 32 - 4 x bank)
// for bank 0 (channels 0..127), 1 (128..255) or 2 (256..383).
int calibrationBlock(int channel);

// Channel of beam row 0..15 (A..P) and beam column 0..23: down each column first.
inline constexpr int channelAt(int row, int column) {
    return column * kArenaRows + row;
}
inline constexpr int rowOf(int channel) {
    return channel % kArenaRows;
}
inline constexpr int columnOf(int channel) {
    return channel / kArenaRows;
}

}  // namespace qv

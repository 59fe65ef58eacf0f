#pragma once

#include <array>
#include <string>
#include <vector>

namespace qv {

inline constexpr int kTestChannels = 384;
inline constexpr int kTestRows = 16;
inline constexpr int kTestColumns = 24;

// The level each channel received, on a scale where 2048 is full light.
using ChannelLevels = std::array<int, kTestChannels>;

// A beam that should be on is good from 80 % of full light (1638.4), one that should be off
// up to 50 % (1024); the report speaks of 20 % for the off state, the comparison does not.
inline bool beamOn(int level) {
    return level >= 1638.4;
}
inline bool beamOff(int level) {
    return level <= 1024;
}
// Percent of full light with the fraction dropped.
inline int levelPercent(int level) {
    return level * 100 / 2048;
}

// One grading of the self-test: what it found and what it writes.
struct Grading {
    enum class Kind { AllOn, AllOff, Column, Row };
    Kind kind = Kind::AllOn;
    int index = 0;  // column 0..23 or row 0..15
    bool pass = false;
    // Channels that should have been on and were not (all on: every failing channel), and
    // channels that should have been off and were not (all off: every failing channel).
    std::vector<int> failingOn;
    std::vector<int> failingOff;
    std::string label;                     // shown in the temperature label
    std::vector<std::string> reportLines;  // appended to the report
};

Grading gradeAllOn(const ChannelLevels& levels);
Grading gradeAllOff(const ChannelLevels& levels);
// Column c (channels 16c .. 16c + 15) on, every other channel off.
Grading gradeColumn(const ChannelLevels& levels, int column);
// Row r (channels r, r + 16, ..., r + 368) on, every other channel off.
Grading gradeRow(const ChannelLevels& levels, int row);
// The reduced-power section: "CH[c] p%" for every channel.
std::vector<std::string> reducedPowerLines(const ChannelLevels& levels);

// The channels of beam row r (24) and beam column c (16).
std::vector<int> rowChannels(int row);
std::vector<int> columnChannels(int column);

}  // namespace qv

#include "tools/arena_rules.h"

#include <algorithm>

#include "common/rounding.h"

namespace qv {

namespace {

constexpr double kReadingPerPercent = 20.48;  // 100 percent is a reading of 2048
constexpr int kBandHalfWidthPercent = 5;
constexpr int kBlockChannels = 32;
constexpr int kBankChannels = 128;

}  // namespace

TargetBand targetBand(double targetPercent) {
    return {static_cast<int>(
                roundHalfEven((targetPercent - kBandHalfWidthPercent) * kReadingPerPercent)),
            static_cast<int>(
                roundHalfEven((targetPercent + kBandHalfWidthPercent) * kReadingPerPercent))};
}

ChannelSetting settingFromStoredByte(int byte) {
    return {std::min(byte % 32, kArenaTopSetting), byte / 32};
}

int calibrationBlock(int channel) {
    const int bank = channel / kBankChannels;
    return kBlockChannels * (channel / kBlockChannels - 4 * bank);
}

}  // namespace qv

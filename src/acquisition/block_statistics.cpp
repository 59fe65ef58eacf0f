#include "acquisition/block_statistics.h"

#include <algorithm>

#include "common/rounding.h"

namespace qv {

namespace {

bool mapped(const PlateFormat& plate, int channel) {
    return plate.wellOfChannel[static_cast<std::size_t>(channel)] >= 0;
}

}  // namespace

void BlockStatistics::restart(const SampleBlock& samples, int sample, const PlateFormat& plate) {
    for (int c = 0; c < SampleBlock::kBeams; ++c) {
        if (!mapped(plate, c)) {
            continue;
        }
        const auto s = static_cast<std::size_t>(c);
        rippleSum_[s] = 0;
        levelSum_[s] = 0;
        count_[s] = 0;
        upper_[s] = lower_[s] = samples.at(c, sample);
    }
}

void BlockStatistics::add(const SampleBlock& samples, int sample, const PlateFormat& plate) {
    const int j = sample - 1;
    for (int c = 0; c < SampleBlock::kBeams; ++c) {
        if (!mapped(plate, c)) {
            continue;
        }
        const auto s = static_cast<std::size_t>(c);
        const std::int16_t x = samples.at(c, j);
        const std::int16_t before = samples.at(c, j - 1);
        const std::int16_t after = samples.at(c, sample);
        if (x < before && x < after) {
            lower_[s] = x;
        }
        if (x > before && x > after) {
            upper_[s] = x;
        }
        rippleSum_[s] += upper_[s] - lower_[s];
        levelSum_[s] += x;
        ++count_[s];
    }
}

std::int32_t BlockStatistics::level(int channel) const {
    const auto s = static_cast<std::size_t>(channel);
    return count_[s] == 0 ? 0
                          : static_cast<std::int32_t>(
                                roundHalfEven(static_cast<double>(levelSum_[s]) / count_[s]));
}

std::int32_t BlockStatistics::ripple(int channel) const {
    const auto s = static_cast<std::size_t>(channel);
    return count_[s] == 0 ? 0
                          : static_cast<std::int32_t>(
                                roundHalfEven(static_cast<double>(rippleSum_[s]) / count_[s]));
}

double histogramThreshold(std::int32_t level, std::int32_t ripple, double snr) {
    if (ripple >= level || level < 1) {
        return std::max(1.8, 1 + 100 * snr);
    }
    const double m = 1 - static_cast<double>(level - ripple) / level;
    return std::max(1.8, 1 + 100 * snr * m);
}

}  // namespace qv

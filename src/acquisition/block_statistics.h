#pragma once

#include <array>
#include <cstdint>

#include "analysis/sample_block.h"
#include "store/plate_format.h"

namespace qv {

// The level and ripple of every mapped channel over a block, gathered sample by sample while
// the block fills (block detection mode), from which the block end takes each channel's
// histogram threshold.
class BlockStatistics {
  public:
    // At sample indices 0 and 1: every mapped channel starts again from that sample.
    void restart(const SampleBlock& samples, int sample, const PlateFormat& plate);
    // From sample index 2 on: the sample before `sample` is complete now that its right
    // neighbour is in, so it may be a strict local maximum or minimum; the envelope's height
    // goes into the ripple sum and the sample into the level sum.
    void add(const SampleBlock& samples, int sample, const PlateFormat& plate);

    // The block's rounded averages (0 and 0 when the channel gathered nothing).
    std::int32_t level(int channel) const;
    std::int32_t ripple(int channel) const;

  private:
    std::array<std::int64_t, SampleBlock::kBeams> rippleSum_{};
    std::array<std::int64_t, SampleBlock::kBeams> levelSum_{};
    std::array<std::int32_t, SampleBlock::kBeams> count_{};
    std::array<std::int16_t, SampleBlock::kBeams> upper_{};
    std::array<std::int16_t, SampleBlock::kBeams> lower_{};
};

// The threshold of the body-bends histogram: max(1.8, 1 + 100 x snr x (1 - (level - ripple) /
// level)), or max(1.8, 1 + 100 x snr) when the ripple is not below the level or the level is
// below 1.
double histogramThreshold(std::int32_t level, std::int32_t ripple, double snr);

}  // namespace qv

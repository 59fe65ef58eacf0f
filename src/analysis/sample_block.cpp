#include "analysis/sample_block.h"

#include <algorithm>

namespace qv {

SampleBlock::SampleBlock(int rtBuffer)
    : samplesPerChannel_(std::max(rtBuffer, 0) + 1),
      values_(static_cast<std::size_t>(samplesPerChannel_) * kChannels, 0) {}

void SampleBlock::fill(std::int16_t value) {
    std::fill(values_.begin(), values_.end(), value);
}

}  // namespace qv

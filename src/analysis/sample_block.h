#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace qv {

// The samples of one acquisition block: [channel 0..384][sample 0..RT_Buffer] of int16, kept
// with the channel index varying fastest (element s x 385 + c), which is also the layout of
// the raw sample files, so a block goes to and from disk without reshuffling. Channel 384 is
// the spare entry every per-channel table carries.
class SampleBlock {
  public:
    static constexpr int kChannels = 385;
    static constexpr int kBeams = 384;
    // Detection reads and writes samples 0..499 of a channel, so it needs at least this many.
    static constexpr int kDetectionSamples = 500;
    static constexpr int kDefaultRtBuffer = 500;

    // rtBuffer is the setup's RT_Buffer (samples per block); the block holds one more sample
    // per channel. A negative value is treated as 0. Zero-filled.
    explicit SampleBlock(int rtBuffer = kDefaultRtBuffer);

    int rtBuffer() const { return samplesPerChannel_ - 1; }
    int samplesPerChannel() const { return samplesPerChannel_; }
    bool holdsDetectionSamples() const { return samplesPerChannel_ >= kDetectionSamples; }

    std::int16_t& at(int channel, int sample) {
        return values_[static_cast<std::size_t>(sample) * kChannels +
                       static_cast<std::size_t>(channel)];
    }
    std::int16_t at(int channel, int sample) const {
        return values_[static_cast<std::size_t>(sample) * kChannels +
                       static_cast<std::size_t>(channel)];
    }

    // All values in stored order (sample-major, channel fastest).
    std::span<std::int16_t> values() { return values_; }
    std::span<const std::int16_t> values() const { return values_; }

    void fill(std::int16_t value);

    friend bool operator==(const SampleBlock&, const SampleBlock&) = default;

  private:
    int samplesPerChannel_;
    std::vector<std::int16_t> values_;
};

}  // namespace qv

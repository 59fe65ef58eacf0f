#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "analysis/activity_detection.h"
#include "analysis/background_worker.h"
#include "analysis/sample_block.h"

namespace qv {

// The block sweep of methods 0 and 1 (`ActivityDetector::DetectActivityBlock`) on two cores:
// the channels are independent of each other, so the second half of the list is detected on a
// worker thread with a detector of its own while the caller detects the first half. The
// counts and the clipped block are exactly those of one sweep over the whole list. With one
// core, or few channels, it is that one sweep.
class ParallelBlockDetector {
  public:
    // Fewer channels than this are not worth a hand-over to the worker.
    static constexpr std::size_t kSplitFrom = 64;

    // `threads` 0: as many as the machine has, at most two.
    explicit ParallelBlockDetector(unsigned threads = 0);

    // As DetectActivityBlock: counts[i] is the count of channels[i]; std::invalid_argument for
    // repeated channels or too few counts. A failure on either half is thrown after both halves
    // have ended; the counts are then incomplete and must not be used.
    void detect(SampleBlock& block, std::span<const std::int16_t> channels, double snr,
                std::int16_t method, std::span<std::int16_t> counts);

    bool split() const { return worker_.has_value(); }

  private:
    ActivityDetector mine_;
    ActivityDetector theirs_;
    std::optional<BackgroundWorker> worker_;
};

}  // namespace qv

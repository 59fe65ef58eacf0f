#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <span>
#include <thread>

#include "analysis/activity_detection.h"
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
    ~ParallelBlockDetector();
    ParallelBlockDetector(const ParallelBlockDetector&) = delete;
    ParallelBlockDetector& operator=(const ParallelBlockDetector&) = delete;

    // As DetectActivityBlock: counts[i] is the count of channels[i]; std::invalid_argument for
    // repeated channels or too few counts. A failure on either half is thrown after both halves
    // have ended; the counts are then incomplete and must not be used.
    void detect(SampleBlock& block, std::span<const std::int16_t> channels, double snr,
                std::int16_t method, std::span<std::int16_t> counts);

    bool split() const { return worker_.joinable(); }

  private:
    void work();

    ActivityDetector mine_;
    ActivityDetector theirs_;
    std::thread worker_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::function<void()> job_;
    bool jobDone_ = false;
    bool stopping_ = false;
    std::exception_ptr failure_;
};

}  // namespace qv

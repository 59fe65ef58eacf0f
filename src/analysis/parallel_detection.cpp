#include "analysis/parallel_detection.h"

#include <bitset>
#include <stdexcept>
#include <string>
#include <thread>

namespace qv {

ParallelBlockDetector::ParallelBlockDetector(unsigned threads) {
    if (threads == 0) {
        threads = std::thread::hardware_concurrency();
    }
    if (threads >= 2) {
        worker_.emplace();
    }
}

void ParallelBlockDetector::detect(SampleBlock& block, std::span<const std::int16_t> channels,
                                   double snr, std::int16_t method,
                                   std::span<std::int16_t> counts) {
    if (!worker_ || channels.size() < kSplitFrom) {
        mine_.DetectActivityBlock(block, channels, snr, method, counts);
        return;
    }
    // Each half checks its own channels; a channel in both halves would be clipped by two
    // threads at once, so the whole list is checked here.
    std::bitset<65536> seen;
    for (const std::int16_t c : channels) {
        const auto index = static_cast<std::uint16_t>(c);
        if (seen.test(index)) {
            throw std::invalid_argument("DetectActivityBlock: channel " + std::to_string(c) +
                                        " listed twice");
        }
        seen.set(index);
    }
    if (counts.size() < channels.size()) {
        throw std::invalid_argument("DetectActivityBlock: fewer counts than channels");
    }
    const std::size_t half = channels.size() / 2;
    worker_->start([&, half] {
        theirs_.DetectActivityBlock(block, channels.subspan(half), snr, method,
                                    counts.subspan(half));
    });
    std::exception_ptr mine;
    try {
        mine_.DetectActivityBlock(block, channels.first(half), snr, method, counts.first(half));
    } catch (...) {
        mine = std::current_exception();
    }
    try {
        worker_->wait();
    } catch (...) {
        if (!mine) {
            throw;
        }
    }
    if (mine) {
        std::rethrow_exception(mine);
    }
}

}  // namespace qv

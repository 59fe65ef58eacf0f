#include "analysis/parallel_detection.h"

#include <bitset>
#include <stdexcept>

namespace qv {

ParallelBlockDetector::ParallelBlockDetector(unsigned threads) {
    if (threads == 0) {
        threads = std::thread::hardware_concurrency();
    }
    if (threads >= 2) {
        worker_ = std::thread([this] { work(); });
    }
}

ParallelBlockDetector::~ParallelBlockDetector() {
    if (worker_.joinable()) {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        worker_.join();
    }
}

// The worker waits for a half, runs it and says so; it ends when the detector goes.
void ParallelBlockDetector::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || job_ != nullptr; });
        if (stopping_) {
            return;
        }
        std::function<void()> job = std::move(job_);
        job_ = nullptr;
        lock.unlock();
        std::exception_ptr failure;
        try {
            job();
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        failure_ = failure;
        jobDone_ = true;
        wake_.notify_all();
    }
}

void ParallelBlockDetector::detect(SampleBlock& block, std::span<const std::int16_t> channels,
                                   double snr, std::int16_t method,
                                   std::span<std::int16_t> counts) {
    if (!worker_.joinable() || channels.size() < kSplitFrom) {
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
    {
        const std::lock_guard lock(mutex_);
        job_ = [&, half] {
            theirs_.DetectActivityBlock(block, channels.subspan(half), snr, method,
                                        counts.subspan(half));
        };
        jobDone_ = false;
        failure_ = nullptr;
    }
    wake_.notify_all();
    std::exception_ptr mine;
    try {
        mine_.DetectActivityBlock(block, channels.first(half), snr, method, counts.first(half));
    } catch (...) {
        mine = std::current_exception();
    }
    std::exception_ptr theirs;
    {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return jobDone_; });
        theirs = failure_;
    }
    if (mine) {
        std::rethrow_exception(mine);
    }
    if (theirs) {
        std::rethrow_exception(theirs);
    }
}

}  // namespace qv
